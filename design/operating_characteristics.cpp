#include "design/operating_characteristics.h"

#include "design/look_schedule.h"

#include <algorithm>
#include <cmath>

namespace quillmere {

double proportionError(double proportion, int trials) {
    return std::sqrt(proportion * (1 - proportion) / trials);
}

ProportionInterval wilsonInterval(long successes, long trials) {
    if (trials <= 0) {
        return {};
    }
    constexpr double z = 1.959963984540054;  // the normal distribution's 97.5% quantile
    const double n = static_cast<double>(trials);
    const double p = static_cast<double>(successes) / n;
    const double spread = z * z / n;
    const double centre = (p + spread / 2) / (1 + spread);
    const double half = z * std::sqrt(p * (1 - p) / n + spread / (4 * n)) / (1 + spread);
    return {successes == 0 ? 0.0 : std::max(0.0, centre - half),
            successes == trials ? 1.0 : std::min(1.0, centre + half)};
}

MeanEstimate estimateMean(const std::vector<double>& values) {
    MeanEstimate estimate;
    if (values.empty()) {
        return estimate;
    }
    double sum = 0.0;
    for (const double value : values) {
        sum += value;
    }
    const double n = static_cast<double>(values.size());
    estimate.mean = sum / n;
    if (values.size() < 2) {
        return estimate;
    }
    double squares = 0.0;
    for (const double value : values) {
        squares += (value - estimate.mean) * (value - estimate.mean);
    }
    estimate.error = std::sqrt(squares / (n - 1) / n);
    return estimate;
}

ScenarioSummary summariseScenario(double trueRate, const std::vector<TrialOutcome>& outcomes,
                                  int lookCount) {
    ScenarioSummary summary;
    summary.trueRate = trueRate;
    summary.trials = static_cast<int>(outcomes.size());
    std::vector<long> stopsByLook(lookCount, 0);
    std::vector<double> enrolled;
    std::vector<double> durations;
    long stopped = 0;
    long looks = 0;
    long pending = 0;
    long priorOnly = 0;
    for (const TrialOutcome& outcome : outcomes) {
        if (outcome.stopLook > 0) {
            ++stopped;
            ++stopsByLook.at(outcome.stopLook - 1);
        }
        enrolled.push_back(outcome.enrolled);
        durations.push_back(outcome.duration);
        looks += outcome.looksRun;
        pending += outcome.pendingAtLooks;
        priorOnly += outcome.priorOnlyLooks;
    }
    const double n = summary.trials;
    summary.earlyStop = stopped / n;
    summary.earlyStopError = proportionError(summary.earlyStop, summary.trials);
    summary.earlyStopInterval = wilsonInterval(stopped, summary.trials);
    for (const long stops : stopsByLook) {
        const double share = static_cast<double>(stops) / n;
        summary.stopByLook.push_back(share);
        summary.stopByLookError.push_back(proportionError(share, summary.trials));
        summary.stopByLookInterval.push_back(wilsonInterval(stops, summary.trials));
    }
    const MeanEstimate patients = estimateMean(enrolled);
    const MeanEstimate duration = estimateMean(durations);
    summary.meanEnrolled = patients.mean;
    summary.meanEnrolledError = patients.error;
    summary.meanDuration = duration.mean;
    summary.meanDurationError = duration.error;
    summary.meanLooksRun = looks / n;
    summary.meanPendingPerLook = looks > 0 ? static_cast<double>(pending) / looks : 0.0;
    summary.priorOnlyShare = looks > 0 ? static_cast<double>(priorOnly) / looks : 0.0;
    return summary;
}

std::vector<ScenarioSummary> summariseOutcomes(const DesignSettings& design,
                                               const ScenarioOutcomes& outcomes) {
    std::vector<ScenarioSummary> summaries;
    for (std::size_t s = 0; s < outcomes.size(); ++s) {
        summaries.push_back(
            summariseScenario(design.trueRates[s], outcomes[s], scheduledLookCount(design)));
    }
    return summaries;
}

}  // namespace quillmere
