#include "report/calibration_report.h"

#include "design/text_format.h"
#include "report/report_text.h"
#include "report/svg_plot.h"

namespace quillmere {
namespace {

constexpr double plotLeft = 80, plotRight = 680, plotTop = 60, plotBottom = 380;

double plotX(double cutoff) {
    return plotLeft + cutoff * (plotRight - plotLeft);
}
double plotY(double probability) {
    return plotBottom - probability * (plotBottom - plotTop);
}

// The curve of one rate as steps: level until the next cut-off.
void writeStepCurve(std::ostream& out, const CalibrationResult& result, std::size_t rate) {
    out << "<polyline fill=\"none\" stroke-width=\"2\" stroke=\"" << curveColour(rate)
        << "\" points=\"";
    for (std::size_t c = 0; c < result.cutoffs.size(); ++c) {
        const double level = result.summaries[c][rate].earlyStop;
        const double next = c + 1 < result.cutoffs.size() ? result.cutoffs[c + 1] : 1.0;
        out << formatted("%.2f,%.2f %.2f,%.2f ", plotX(result.cutoffs[c]), plotY(level),
                         plotX(next), plotY(level));
    }
    out << "\"/>\n";
}

void writeFrame(std::ostream& out) {
    out << formatted(
        "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"none\" stroke=\"black\"/>\n",
        plotLeft, plotTop, plotRight - plotLeft, plotBottom - plotTop);
    for (int i = 0; i <= 10; ++i) {
        const double value = i / 10.0;
        out << formatted("<line x1=\"%g\" y1=\"%.2f\" x2=\"%g\" y2=\"%.2f\" stroke=\"#dddddd\"/>\n",
                         plotLeft, plotY(value), plotRight, plotY(value));
        out << formatted("<text x=\"%g\" y=\"%.2f\" text-anchor=\"end\">%.1f</text>\n",
                         plotLeft - 6, plotY(value) + 4, value);
        out << formatted("<text x=\"%.2f\" y=\"%g\" text-anchor=\"middle\">%.1f</text>\n",
                         plotX(value), plotBottom + 18, value);
    }
    out << formatted(
        "<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">cut-off probability</text>\n"
        "<text transform=\"translate(24,%g) rotate(-90)\" text-anchor=\"middle\">probability "
        "of early termination</text>\n",
        (plotLeft + plotRight) / 2, plotBottom + 38, (plotTop + plotBottom) / 2);
}

void writeMarks(std::ostream& out, const DesignSettings& design, const CalibrationResult& result) {
    if (design.maxErrorStop) {
        out << formatted(
            "<line x1=\"%g\" y1=\"%.2f\" x2=\"%g\" y2=\"%.2f\" stroke=\"gray\" "
            "stroke-dasharray=\"6,4\"/><text x=\"%g\" y=\"%.2f\" fill=\"gray\">MaxErrorStop "
            "%g</text>\n",
            plotLeft, plotY(*design.maxErrorStop), plotRight, plotY(*design.maxErrorStop),
            plotLeft + 6, plotY(*design.maxErrorStop) - 4, *design.maxErrorStop);
    }
    if (result.chosen) {
        const double cutoff = result.cutoffs[*result.chosen];
        out << formatted(
            "<line x1=\"%.2f\" y1=\"%g\" x2=\"%.2f\" y2=\"%g\" stroke=\"black\" "
            "stroke-dasharray=\"2,4\"/><text x=\"%.2f\" y=\"%g\" text-anchor=\"end\">chosen "
            "cut-off %.4f</text>\n",
            plotX(cutoff), plotTop, plotX(cutoff), plotBottom, plotX(cutoff) - 4, plotTop + 14,
            cutoff);
    }
}

void writeLegend(std::ostream& out, const DesignSettings& design, const CalibrationResult& result) {
    for (std::size_t s = 0; s < result.rates.size(); ++s) {
        const double x = plotLeft + 175.0 * static_cast<double>(s % 4);
        const double y = plotBottom + 62 + 18.0 * static_cast<double>(s / 4);
        const bool calibration = static_cast<int>(s) == result.calibrationScenario;
        out << formatted(
            "<line x1=\"%g\" y1=\"%g\" x2=\"%g\" y2=\"%g\" stroke-width=\"2\" stroke=\"%s\"/>"
            "<text x=\"%g\" y=\"%g\">rate %g%s</text>\n",
            x, y - 4, x + 24, y - 4, curveColour(s), x + 30, y, result.rates[s],
            calibration && design.calibrationRate ? " (calibration)" : "");
    }
}

}  // namespace

void writeCalibrationCsv(std::ostream& out, const CalibrationResult& result) {
    out << "cutoff,rate,p_early_stop,p_low,p_high,expected_patients,expected_patients_se,"
           "expected_duration,expected_duration_se\n";
    for (std::size_t c = 0; c < result.cutoffs.size(); ++c) {
        for (const ScenarioSummary& s : result.summaries[c]) {
            out << roundTripText(result.cutoffs[c]) << ',' << roundTripText(s.trueRate)
                << formatted(",%.8g,%.8g,%.8g,%.8g,%.8g,%.8g,%.8g\n", s.earlyStop,
                             s.earlyStopInterval.low, s.earlyStopInterval.high, s.meanEnrolled,
                             s.meanEnrolledError, s.meanDuration, s.meanDurationError);
        }
    }
}

void writeCalibrationPlot(std::ostream& out, const DesignSettings& design,
                          const CalibrationResult& result) {
    const double height = plotBottom + 70 + 18.0 * static_cast<double>(result.rates.size() / 4);
    out << formatted(
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"760\" height=\"%g\" "
        "viewBox=\"0 0 760 %g\" font-family=\"sans-serif\" font-size=\"12\">\n"
        "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
        height, height);
    out << "<text x=\"380\" y=\"26\" text-anchor=\"middle\" font-size=\"15\">Calibration: "
           "P(early termination) against the cut-off of "
        << ruleProbabilityText(design) << "</text>\n";
    out << formatted(
        "<text x=\"380\" y=\"44\" text-anchor=\"middle\" fill=\"#555555\">N = %d, %d trials per "
        "rate, seed %llu; %zu cut-offs at which a figure changes</text>\n",
        design.maxPatients, design.trials, static_cast<unsigned long long>(design.seed),
        result.cutoffs.size());
    writeFrame(out);
    for (std::size_t s = 0; s < result.rates.size(); ++s) {
        writeStepCurve(out, result, s);
    }
    writeMarks(out, design, result);
    writeLegend(out, design, result);
    out << "</svg>\n";
}

void writeCalibrationText(std::ostream& out, const DesignSettings& design,
                          const CalibrationResult& result) {
    writeDesignHeader(out, design);
    out << formatted("\nCalibration: stopping is an error at a true rate of %g; ",
                     design.calibrationRate.value_or(0.0))
        << formatted("its probability must be at most %g.\n", design.maxErrorStop.value_or(0.0))
        << result.cutoffs.size() << " cut-offs change a figure.\n";
    if (!result.chosen) {
        out << "No cut-off keeps the probability of stopping at that rate within the limit.\n";
        return;
    }
    const std::size_t chosen = *result.chosen;
    const ScenarioSummary& at = result.summaries[chosen][result.calibrationScenario];
    out << "Smallest such cut-off: " << roundTripText(result.cutoffs[chosen])
        << formatted(" (P(early stop) at %g: %.4f, 95%% interval [%.4f, %.4f])\n", at.trueRate,
                     at.earlyStop, at.earlyStopInterval.low, at.earlyStopInterval.high);
    out << "Any cut-off from it up to the next one in calibration.csv gives the same figures.\n";
    out << "\nOperating characteristics at that cut-off";
    writeOperatingTable(out, result.summaries[chosen]);
}

}  // namespace quillmere
