#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "report/report.h"

namespace quillmere {

// One point of a line, with its 95% interval when it has one.
struct PlotPoint {
    double x = 0.0;
    double y = 0.0;
    std::optional<double> low;
    std::optional<double> high;
};

struct LineStyle {
    std::string colour;
    bool dashed = false;
    double width = 2.0;
    double opacity = 1.0;
};

// A line with markers and error bars, drawn against the left axis (from 0 to
// leftMax) or the right axis (from 0 to rightMax).
struct PlotSeries {
    LineStyle style;
    bool rightAxis = false;
    std::vector<PlotPoint> points;
    double barShift = 0.0;  // pixels to the right, to keep bars of two lines apart
};

// An entry of the legend below the plot: a short line in a style, and what it means.
struct LegendEntry {
    LineStyle style;
    std::string label;
};

struct AxisTick {
    double value = 0.0;
    std::string label;
    std::string secondLine;  // a smaller line under the label, when not empty
};

struct PlotFrame {
    std::string title;
    std::string xLabel;
    std::string leftLabel;
    std::string rightLabel;  // no right axis when empty
    double xMin = 0.0;
    double xMax = 1.0;
    std::vector<AxisTick> xTicks;
    double leftMax = 1.0;
    double rightMax = 1.0;
    std::optional<double> markerX;  // a dotted vertical line, e.g. the rate bound
    std::string markerLabel;        // shown above the plot area, never on a curve
    std::vector<LegendEntry> legend;
    std::string caption;  // the facts behind the plot, wrapped below the legend
};

// A self-contained SVG line chart: axes, grid, error bars, and below the
// plot area the legend and the caption, so that no text lies on a curve.
void writeLinePlot(std::ostream& out, const PlotFrame& frame, const std::vector<PlotSeries>& lines);

// Ticks at every step from `first` to `last`, labelled with %g.
std::vector<AxisTick> evenTicks(double first, double last, double step);

// The colour of the index-th curve of a plot (seven, then again).
const char* curveColour(std::size_t index);

}  // namespace quillmere
