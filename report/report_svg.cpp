#include "report/report_svg.h"

#include <algorithm>
#include <cmath>

#include "design/look_schedule.h"
#include "design/text_format.h"
#include "report/report_text.h"
#include "report/svg_plot.h"

namespace quillmere {
namespace {

const char* const intervalNote =
    " Bars: 95% Monte Carlo intervals (Wilson for probabilities, mean ± 1.96 s.e. for the "
    "expected number of patients).";

// The rate the rule compares with the bound, on the axis of true event rates.
double boundOnRateAxis(const DesignSettings& design) {
    return design.eventType == EventType::DiseaseProgression ? 1 - design.rateBound
                                                             : design.rateBound;
}

PlotFrame rateFrame(const DesignSettings& design, const std::string& title) {
    const double bound = boundOnRateAxis(design);
    const RateAxis axis = rateAxis(design);
    PlotFrame frame;
    frame.title = title;
    frame.xMin = axis.first;
    frame.xMax = axis.last;
    frame.xTicks = evenTicks(axis.first, axis.last, 0.1);
    frame.xLabel = "true " + eventTypeName(design.eventType) + " rate within the window";
    frame.leftLabel = "probability of early termination";
    frame.rightLabel = "expected number of patients";
    // Whole numbers on the right axis: five steps of a whole number of patients.
    frame.rightMax = 5 * ((design.maxPatients + 4) / 5);
    frame.markerX = bound;
    frame.markerLabel = formatted("bound %g", bound);
    return frame;
}

PlotSeries stopCurve(const std::vector<ScenarioSummary>& summaries, LineStyle style) {
    PlotSeries series{std::move(style), false, {}};
    for (const ScenarioSummary& s : summaries) {
        series.points.push_back(
            {s.trueRate, s.earlyStop, s.earlyStopInterval.low, s.earlyStopInterval.high});
    }
    std::sort(series.points.begin(), series.points.end(),
              [](const PlotPoint& a, const PlotPoint& b) { return a.x < b.x; });
    return series;
}

PlotSeries patientsCurve(const std::vector<ScenarioSummary>& summaries, LineStyle style,
                         int maxPatients) {
    PlotSeries series{std::move(style), true, {}, 5.0};
    for (const ScenarioSummary& s : summaries) {
        const double half = 1.959963984540054 * s.meanEnrolledError;
        series.points.push_back({s.trueRate, s.meanEnrolled, std::max(0.0, s.meanEnrolled - half),
                                 std::min<double>(maxPatients, s.meanEnrolled + half)});
    }
    std::sort(series.points.begin(), series.points.end(),
              [](const PlotPoint& a, const PlotPoint& b) { return a.x < b.x; });
    return series;
}

// The smallest axis top with five round steps that holds every interval.
double probabilityAxisTop(const std::vector<ScenarioSummary>& summaries) {
    double highest = 0.0;
    for (const ScenarioSummary& s : summaries) {
        for (const ProportionInterval& interval : s.stopByLookInterval) {
            highest = std::max(highest, interval.high);
        }
    }
    for (const double top : {0.05, 0.1, 0.2, 0.25, 0.5}) {
        if (highest <= top) {
            return top;
        }
    }
    return 1.0;
}

// Without the interval of each point.
PlotSeries withoutBars(PlotSeries series) {
    for (PlotPoint& point : series.points) {
        point.low.reset();
        point.high.reset();
    }
    return series;
}

// The smallest top of five round steps (1, 2, 2.5 or 5 times a power of ten
// per step) that holds `value`.
double roundAxisTop(double value) {
    double scale = 1e-3;
    while (true) {
        for (const double step : {1.0, 2.0, 2.5, 5.0}) {
            if (5 * step * scale >= value) {
                return 5 * step * scale;
            }
        }
        scale *= 10;
    }
}

// A mean with its 95% interval at every true rate, in rate order.
PlotSeries meanCurve(const std::vector<LateOutcomeSummary>& summaries, LineStyle style,
                     bool rightAxis, MeanEstimate LateOutcomeSummary::*member) {
    PlotSeries series{std::move(style), rightAxis, {}, rightAxis ? 5.0 : 0.0};
    for (const LateOutcomeSummary& s : summaries) {
        const MeanEstimate& estimate = s.*member;
        const double half = 1.959963984540054 * estimate.error;
        series.points.push_back(
            {s.trueRate, estimate.mean, std::max(0.0, estimate.mean - half), estimate.mean + half});
    }
    std::sort(series.points.begin(), series.points.end(),
              [](const PlotPoint& a, const PlotPoint& b) { return a.x < b.x; });
    return series;
}

double highestBar(const PlotSeries& series) {
    double highest = 0.0;
    for (const PlotPoint& point : series.points) {
        highest = std::max(highest, point.high.value_or(point.y));
    }
    return highest;
}

}  // namespace

RateAxis rateAxis(const DesignSettings& design) {
    const double bound = boundOnRateAxis(design);
    const auto [low, high] = std::minmax_element(design.trueRates.begin(), design.trueRates.end());
    double first = std::min(*low, bound);
    double last = std::max(*high, bound);
    // A single rate at the bound would otherwise get an axis of no width.
    const double widening = std::max(0.0, 0.2 - (last - first)) / 2;
    // The margin keeps points off the frame and the rounding off exact tenths.
    first = std::max(0.0, std::floor((first - widening - 0.02) * 10) / 10);
    last = std::min(1.0, std::ceil((last + widening + 0.02) * 10) / 10);
    return {first, last};
}

void writeOperatingPlot(std::ostream& out, const DesignSettings& design,
                        const std::vector<ScenarioSummary>& summaries) {
    PlotFrame frame = rateFrame(design, "Operating characteristics: terminate when " +
                                            ruleProbabilityText(design) +
                                            formatted(" > %g", design.cutoffProbability));
    const LineStyle stopStyle{curveColour(0), false, 2.0};
    const LineStyle patientStyle{curveColour(1), true, 2.0};
    frame.legend = {{stopStyle, "P(early termination), left axis"},
                    {patientStyle, "E[patients enrolled], right axis"}};
    frame.caption = designFacts(design) + intervalNote;
    writeLinePlot(out, frame,
                  {stopCurve(summaries, stopStyle),
                   patientsCurve(summaries, patientStyle, design.maxPatients)});
}

void writeLateOutcomePlot(std::ostream& out, const DesignSettings& design,
                          const std::vector<LateOutcomeSummary>& summaries) {
    PlotFrame frame = rateFrame(design, "Late outcomes (" + lateOutcomeMethodName(design.method) +
                                            "): duration and overrun");
    const LineStyle durationStyle{curveColour(2), false, 2.0};
    const LineStyle overrunStyle{curveColour(3), true, 2.0};
    PlotSeries duration = meanCurve(summaries, durationStyle, false, &LateOutcomeSummary::duration);
    PlotSeries overrun = meanCurve(summaries, overrunStyle, true, &LateOutcomeSummary::overrun);
    frame.leftLabel = "expected duration (" + design.timeUnit.name + ")";
    frame.rightLabel = "expected overrun (patients)";
    frame.leftMax = roundAxisTop(highestBar(duration));
    frame.rightMax = roundAxisTop(std::max(highestBar(overrun), 1.0));
    frame.legend = {{durationStyle, "E[duration], left axis"},
                    {overrunStyle,
                     "E[patients enrolled after the data justified stopping], "
                     "right axis"}};
    frame.caption = designFacts(design) +
                    " Overrun: patients enrolled after the first look at which the complete "
                    "outcomes of the patients then enrolled crossed the stopping boundary. Bars: "
                    "mean ± 1.96 s.e.";
    writeLinePlot(out, frame, {duration, overrun});
}

void writeStopByLookPlot(std::ostream& out, const DesignSettings& design,
                         const std::vector<ScenarioSummary>& summaries) {
    const int looks = scheduledLookCount(design);
    PlotFrame frame;
    frame.title = "Probability of stopping at each look";
    frame.xLabel = "look (patients enrolled at the look)";
    frame.leftLabel = "probability of stopping at the look";
    frame.xMin = 0.5;
    frame.xMax = looks + 0.5;
    for (int look = 1; look <= looks; ++look) {
        frame.xTicks.push_back({static_cast<double>(look), std::to_string(look),
                                formatted("(%d)", enrolledAtLook(design, look))});
    }
    frame.leftMax = probabilityAxisTop(summaries);
    frame.caption = designFacts(design) +
                    " Bars: 95% Wilson intervals. Looks held back by the run-in cannot stop the "
                    "trial.";
    std::vector<PlotSeries> lines;
    const double count = static_cast<double>(summaries.size());
    for (std::size_t s = 0; s < summaries.size(); ++s) {
        // Side by side, so that the bars of neighbouring rates do not hide each other.
        const double offset = (static_cast<double>(s) - (count - 1) / 2) * 0.07;
        const LineStyle style{curveColour(s), false, 2.0};
        frame.legend.push_back({style, formatted("true rate %g", summaries[s].trueRate)});
        PlotSeries series{style, false, {}};
        for (int look = 1; look <= looks; ++look) {
            const ProportionInterval& interval = summaries[s].stopByLookInterval[look - 1];
            series.points.push_back(
                {look + offset, summaries[s].stopByLook[look - 1], interval.low, interval.high});
        }
        lines.push_back(std::move(series));
    }
    writeLinePlot(out, frame, lines);
}

void writeUnitsPlot(std::ostream& out, const DesignSettings& design,
                    const std::vector<UnitCurves>& units) {
    PlotFrame frame = rateFrame(design, "The same design with its times in several units");
    std::vector<PlotSeries> lines;
    for (std::size_t i = 0; i < units.size(); ++i) {
        // The reference is drawn first, wide and light, so that the other
        // units show on top of it where they agree; only it carries bars.
        const bool reference = units[i].unitName == design.timeUnit.name;
        const LineStyle solid{curveColour(i), false, reference ? 6.0 : 1.8, reference ? 0.45 : 1.0};
        LineStyle dashed = solid;
        dashed.dashed = true;
        std::string label = units[i].unitName;
        if (reference) {
            label.append(" (the design's unit: reference)");
        }
        frame.legend.push_back(LegendEntry{solid, label});
        PlotSeries stops = stopCurve(units[i].summaries, solid);
        PlotSeries patients = patientsCurve(units[i].summaries, dashed, design.maxPatients);
        const auto at = reference ? lines.begin() : lines.end();
        lines.insert(at, {reference ? stops : withoutBars(stops),
                          reference ? patients : withoutBars(patients)});
    }
    // What the two line styles of every unit mean.
    const LineStyle solid{"black", false, 2.0};
    const LineStyle dashed{"black", true, 2.0};
    frame.legend.push_back(LegendEntry{solid, "solid: P(early termination), left axis"});
    frame.legend.push_back(LegendEntry{dashed, "dashed: E[patients enrolled], right axis"});
    frame.caption = designFacts(design) +
                    " Every unit simulates the same patients. Bars: 95% Monte Carlo intervals "
                    "of the reference unit (Wilson for probabilities, mean ± 1.96 s.e. for the "
                    "expected number of patients).";
    writeLinePlot(out, frame, lines);
}

}  // namespace quillmere
