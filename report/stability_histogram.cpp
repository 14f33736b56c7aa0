// The histogram of the stability runs.
#include <algorithm>
#include <cmath>

#include "design/design_settings.h"
#include "design/text_format.h"
#include "report/report.h"

namespace quillmere {
namespace {

constexpr int binCount = 40;

// Bins of equal width over [low, high) covering every probability, the
// cut-off and quillmere's probability, so that both marks fall on the plot.
struct Bins {
    double low = 0.0;
    double width = 1.0;
    std::vector<int> counts;
};

Bins histogram(const std::vector<double>& values, double cutoff, double fixed) {
    double low = std::min(cutoff, fixed);
    double high = std::max(cutoff, fixed);
    for (const double value : values) {
        low = std::min(low, value);
        high = std::max(high, value);
    }
    const double margin = std::max(0.01, (high - low) * 0.05);
    low = std::max(0.0, low - margin);
    high = std::min(1.0, high + margin);
    Bins bins{low, (high - low) / binCount, std::vector<int>(binCount, 0)};
    for (const double value : values) {
        const int bin = static_cast<int>((value - low) / bins.width);
        ++bins.counts[static_cast<std::size_t>(std::clamp(bin, 0, binCount - 1))];
    }
    return bins;
}

}  // namespace

void writeStabilityHistogram(std::ostream& out, const MonitoringRule& rule,
                             const StabilityPlan& plan, const StabilityStudy& study, SvgUse use) {
    constexpr double left = 70, right = 690, top = 60, bottom = 380;
    const double cutoff = rule.cutoffProbability;
    const double fixed = study.fixed.reportedProbability;
    const Bins bins = histogram(study.probabilities, cutoff, fixed);
    // Whole-number ticks: five steps up to at least the tallest bar.
    const int tallest = *std::max_element(bins.counts.begin(), bins.counts.end());
    const int countStep = std::max(1, (tallest + 4) / 5);
    const int countTop = 5 * countStep;
    const double high = bins.low + bins.width * binCount;
    const auto x = [&](double value) {
        return left + (value - bins.low) / (high - bins.low) * (right - left);
    };
    const auto y = [&](double count) { return bottom - count / countTop * (bottom - top); };
    const StabilitySummary summary = summariseStability(study);
    out << svgOpening(760, 470, use) << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    out << "<text x=\"380\" y=\"26\" text-anchor=\"middle\" font-size=\"15\">Probability of "
        << study.probabilities.size() << " runs with independent streams</text>\n";
    out << formatted(
        "<text x=\"380\" y=\"44\" text-anchor=\"middle\" fill=\"#555555\">%s; seed %s; mean "
        "%.4f (SE %.4f), SD of one run %.4f</text>\n",
        eventTypeName(rule.eventType).c_str(), std::to_string(plan.seed).c_str(), summary.mean,
        summary.meanError, summary.runDeviation);
    for (int i = 0; i < binCount; ++i) {
        const double from = bins.low + i * bins.width;
        out << formatted(
            "<rect x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" fill=\"#7799cc\" "
            "stroke=\"white\"/>\n",
            x(from), y(bins.counts[i]), x(from + bins.width) - x(from), bottom - y(bins.counts[i]));
    }
    out << formatted(
        "<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"none\" stroke=\"black\"/>\n",
        left, top, right - left, bottom - top);
    for (int i = 0; i <= 5; ++i) {
        const double value = bins.low + (high - bins.low) * i / 5;
        out << formatted("<text x=\"%.2f\" y=\"%g\" text-anchor=\"middle\">%.3f</text>\n", x(value),
                         bottom + 18, value);
        const int count = countStep * i;
        out << formatted("<text x=\"%g\" y=\"%.2f\" text-anchor=\"end\">%d</text>\n", left - 6,
                         y(count) + 4, count);
    }
    out << formatted(
        "<line x1=\"%.2f\" y1=\"%g\" x2=\"%.2f\" y2=\"%g\" stroke=\"#cc3311\" stroke-width=\"2\" "
        "stroke-dasharray=\"6,4\"/>\n",
        x(cutoff), top, x(cutoff), bottom);
    out << formatted(
        "<line x1=\"%.2f\" y1=\"%g\" x2=\"%.2f\" y2=\"%g\" stroke=\"black\" stroke-width=\"2\"/>\n",
        x(fixed), top, x(fixed), bottom);
    out << "<text x=\"380\" y=\"418\" text-anchor=\"middle\">probability the advice is compared "
           "with</text>\n"
           "<text transform=\"translate(22,220) rotate(-90)\" text-anchor=\"middle\">runs</text>\n";
    out << formatted(
        "<line x1=\"%g\" y1=\"448\" x2=\"%g\" y2=\"448\" stroke=\"#cc3311\" stroke-width=\"2\" "
        "stroke-dasharray=\"6,4\"/><text x=\"%g\" y=\"452\">cut-off %s</text>\n"
        "<line x1=\"%g\" y1=\"448\" x2=\"%g\" y2=\"448\" stroke=\"black\" stroke-width=\"2\"/>"
        "<text x=\"%g\" y=\"452\">quillmere's own run %.4f</text>\n",
        left, left + 24, left + 30, roundTripText(cutoff).c_str(), left + 260, left + 284,
        left + 290, fixed);
    out << "</svg>\n";
}

}  // namespace quillmere
