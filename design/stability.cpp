#include "design/stability.h"

#include <cmath>
#include <stdexcept>

#include "design/operating_characteristics.h"

namespace quillmere {
namespace {

// Carries an analysis failure of a worker out of the task pool.
struct RunFailure : std::runtime_error {
    explicit RunFailure(AnalysisError error)
        : std::runtime_error(error.text), error(std::move(error)) {}
    AnalysisError error;
};

}  // namespace

std::optional<StabilityOutcome> runStability(const AnalysisInput& input, const StabilityPlan& plan,
                                             const ProgressCallback& progress,
                                             const StopRequest* stop) {
    AnalysisOutcome fixed = analyse(input);
    if (!fixed) {
        return StabilityOutcome(fixed.error());
    }
    StabilityStudy study;
    study.fixed = std::move(fixed.value());
    study.probabilities.assign(static_cast<std::size_t>(plan.runs), 0.0);
    study.terminates.assign(static_cast<std::size_t>(plan.runs), false);
    const auto task = [&](long index, TrialData& work) {
        fillTrialRecord(work, input);
        EngineState state =
            independentEngineState(plan.seed, static_cast<std::uint64_t>(index) + 1);
        const AnalysisOutcome run = analyseFilledRecord(work, input.rule, state);
        if (!run) {
            throw RunFailure(run.error());
        }
        study.probabilities[static_cast<std::size_t>(index)] = run.value().reportedProbability;
        study.terminates[static_cast<std::size_t>(index)] = run.value().terminate;
    };
    try {
        if (!runTaskPool(plan.runs, plan.threads, progress, task, stop)) {
            return std::nullopt;
        }
    } catch (const RunFailure& failure) {
        return StabilityOutcome(failure.error);
    }
    return StabilityOutcome(std::move(study));
}

StabilitySummary summariseStability(const StabilityStudy& study) {
    StabilitySummary summary;
    const MeanEstimate estimate = estimateMean(study.probabilities);
    summary.mean = estimate.mean;
    summary.meanError = estimate.error;
    summary.runDeviation =
        estimate.error * std::sqrt(static_cast<double>(study.probabilities.size()));
    for (const bool terminate : study.terminates) {
        summary.differingAdvice += terminate != study.fixed.terminate ? 1 : 0;
    }
    return summary;
}

}  // namespace quillmere
