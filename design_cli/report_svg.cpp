#include "design_cli/report_svg.h"

#include <algorithm>
#include <cmath>

#include "design/text_format.h"
#include "design_cli/report_text.h"
#include "design_cli/svg_plot.h"

namespace quillmere {
namespace {

// The true-rate axis: the scenario rates and the bound, on whole tenths.
PlotFrame rateFrame(const DesignSettings& design, const std::string& title) {
    const double bound =
        design.eventType == EventType::DiseaseProgression ? 1 - design.rateBound : design.rateBound;
    const auto [low, high] = std::minmax_element(design.trueRates.begin(), design.trueRates.end());
    PlotFrame frame;
    frame.title = title;
    frame.xMin = std::floor(std::min(*low, bound) * 10) / 10;
    frame.xMax = std::ceil(std::max(*high, bound) * 10) / 10;
    if (frame.xMax <= frame.xMin) {
        frame.xMax = frame.xMin + 0.1;
    }
    frame.xTicks = std::clamp(static_cast<int>(std::lround((frame.xMax - frame.xMin) * 10)), 1, 10);
    frame.xLabel = "true " + eventTypeName(design.eventType) + " rate within the window";
    frame.leftLabel = "probability of early termination";
    frame.rightLabel = "expected number of patients";
    frame.rightMax = design.maxPatients;
    frame.markerX = bound;
    frame.markerLabel = formatted("bound %g", bound);
    return frame;
}

PlotSeries curve(const std::vector<ScenarioSummary>& summaries, bool patients, std::string label,
                 std::string colour) {
    PlotSeries series{std::move(label), std::move(colour), patients, patients, {}};
    for (const ScenarioSummary& s : summaries) {
        series.points.emplace_back(s.trueRate, patients ? s.meanEnrolled : s.earlyStop);
    }
    std::sort(series.points.begin(), series.points.end());
    return series;
}

const char* palette(std::size_t index) {
    static const char* colours[] = {"#1f77b4", "#d62728", "#2ca02c", "#ff7f0e",
                                    "#9467bd", "#8c564b", "#17becf"};
    return colours[index % 7];
}

}  // namespace

void writeOperatingPlot(std::ostream& out, const DesignSettings& design,
                        const std::vector<ScenarioSummary>& summaries) {
    const PlotFrame frame = rateFrame(design, "Operating characteristics: terminate when " +
                                                  ruleProbabilityText(design) +
                                                  formatted(" > %g", design.cutoffProbability));
    writeLinePlot(out, frame,
                  {curve(summaries, false, "P(early termination)", palette(0)),
                   curve(summaries, true, "E[patients enrolled] (right axis)", palette(1))});
}

void writeStopByLookPlot(std::ostream& out, const DesignSettings& design,
                         const std::vector<ScenarioSummary>& summaries) {
    PlotFrame frame;
    frame.title = "Stopping probability by look";
    (void)design;
    (void)summaries;
    writeLinePlot(out, frame, {});
}

void writeUnitsPlot(std::ostream& out, const DesignSettings& design,
                    const std::vector<UnitCurves>& units) {
    const PlotFrame frame =
        rateFrame(design,
                  "The same design in several time units (solid: P(early termination), "
                  "dashed: E[patients])");
    std::vector<PlotSeries> lines;
    for (std::size_t i = 0; i < units.size(); ++i) {
        lines.push_back(curve(units[i].summaries, false, units[i].unitName, palette(i)));
        // Only the solid lines carry a legend entry.
        lines.push_back(curve(units[i].summaries, true, "", palette(i)));
    }
    writeLinePlot(out, frame, lines);
}

}  // namespace quillmere
