#include "design_cli/stability_report.h"

#include <algorithm>
#include <cmath>

#include "design/design_settings.h"
#include "design/operating_characteristics.h"
#include "design/text_format.h"

namespace quillmere {
namespace {

const char* advice(bool terminate) {
    return terminate ? "terminate" : "continue";
}

}  // namespace

void writeStabilityText(std::ostream& out, const AnalysisInput& input, const StabilityPlan& plan,
                        const StabilityStudy& study) {
    const StabilitySummary summary = summariseStability(study);
    const double cutoff = input.rule.cutoffProbability;
    const ProportionInterval differing =
        wilsonInterval(summary.differingAdvice, static_cast<long>(study.probabilities.size()));
    out << "Event: " << eventTypeName(input.rule.eventType) << "; cut-off probability "
        << roundTripText(cutoff) << "; " << input.patients.size() << " patients, "
        << study.fixed.pendingCount << " pending\n";
    out << formatted("quillmere (its fixed streams):  probability %.6f, advice: %s\n",
                     study.fixed.reportedProbability, advice(study.fixed.terminate));
    out << "  exact value: " << roundTripText(study.fixed.reportedProbability) << '\n';
    out << formatted("Independent runs:              %zu (seed %s)\n", study.probabilities.size(),
                     std::to_string(plan.seed).c_str());
    out << formatted("Mean probability over runs:    %.6f (standard error %.6f)\n", summary.mean,
                     summary.meanError);
    out << formatted("SD of one run's probability:   %.6f\n", summary.runDeviation);
    out << formatted(
        "Runs advising otherwise:       %d of %zu (%.1f%%; 95%% Wilson interval %.1f%% to "
        "%.1f%%)\n",
        summary.differingAdvice, study.probabilities.size(),
        100.0 * summary.differingAdvice / std::max<double>(1, study.probabilities.size()),
        100.0 * differing.low, 100.0 * differing.high);
}

void writeStabilityCsv(std::ostream& out, const StabilityStudy& study) {
    out << "run,probability,terminate\n";
    for (std::size_t i = 0; i < study.probabilities.size(); ++i) {
        out << i + 1 << ',' << roundTripText(study.probabilities[i]) << ','
            << (study.terminates[i] ? 1 : 0) << '\n';
    }
}

}  // namespace quillmere
