#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace quillmere {

// A line with markers, drawn against the left axis (from 0 to leftMax) or
// the right axis (from 0 to rightMax).
struct PlotSeries {
    std::string label;
    std::string colour;
    bool rightAxis = false;
    bool dashed = false;
    std::vector<std::pair<double, double>> points;
};

struct PlotFrame {
    std::string title;
    std::string xLabel;
    std::string leftLabel;
    std::string rightLabel;
    double xMin = 0.0;
    double xMax = 1.0;
    int xTicks = 5;  // intervals between the labelled x values
    double leftMax = 1.0;
    double rightMax = 1.0;
    std::optional<double> markerX;  // a dotted vertical line, e.g. the rate bound
    std::string markerLabel;
};

// A self-contained SVG line chart with both axes, grid and legend.
void writeLinePlot(std::ostream& out, const PlotFrame& frame, const std::vector<PlotSeries>& lines);

}  // namespace quillmere
