#include "design/late_outcomes.h"

#include "design/boundaries.h"
#include "design/look_schedule.h"
#include "design/trial_simulation.h"
#include "trial/decision.h"

namespace quillmere {

CompleteDataStops completeDataStops(const DesignSettings& design) {
    CompleteDataStops stops;
    for (int look = 1; look <= scheduledLookCount(design); ++look) {
        const int patients = enrolledAtLook(design, look);
        std::vector<bool> byEvents(static_cast<std::size_t>(patients) + 1);
        for (int events = 0; events <= patients; ++events) {
            byEvents[events] = advisesTermination(
                completeDataProbability(design.eventType, design.rateBound, patients, events),
                design.cutoffProbability);
        }
        stops.push_back(std::move(byEvents));
    }
    return stops;
}

std::optional<int> justifiedStopEnrolment(const DesignSettings& design,
                                          const CompleteDataStops& stops,
                                          const std::vector<SimulatedPatient>& cohort) {
    int events = 0;
    int counted = 0;
    for (int look = 1; look <= scheduledLookCount(design); ++look) {
        const int patients = enrolledAtLook(design, look);
        for (; counted < patients; ++counted) {
            events += cohort[counted].eventTime <= design.maxEvaluationWindow ? 1 : 0;
        }
        if (patients >= design.minCompleted && stops[look - 1][events]) {
            return patients;
        }
    }
    return std::nullopt;
}

ScenarioOverruns overrunsOf(const DesignSettings& design, const ScenarioOutcomes& outcomes,
                            ReplicateRange range) {
    const CompleteDataStops stops = completeDataStops(design);
    ScenarioOverruns overruns(outcomes.size());
    for (std::size_t s = 0; s < outcomes.size(); ++s) {
        for (std::size_t r = 0; r < outcomes[s].size(); ++r) {
            const std::vector<SimulatedPatient> cohort =
                replicateCohort(design, static_cast<int>(s), range.first + static_cast<int>(r));
            const std::optional<int> justified = justifiedStopEnrolment(design, stops, cohort);
            const int enrolled = outcomes[s][r].enrolled;
            overruns[s].push_back(justified && enrolled > *justified ? enrolled - *justified : 0);
        }
    }
    return overruns;
}

LateOutcomeSummary summariseLateOutcomes(double trueRate, const std::vector<TrialOutcome>& outcomes,
                                         const std::vector<int>& overruns) {
    LateOutcomeSummary summary;
    summary.trueRate = trueRate;
    summary.trials = static_cast<int>(outcomes.size());
    std::vector<double> durations;
    std::vector<double> overrun;
    long overran = 0;
    for (std::size_t r = 0; r < outcomes.size(); ++r) {
        durations.push_back(outcomes[r].duration);
        overrun.push_back(overruns[r]);
        overran += overruns[r] > 0 ? 1 : 0;
    }
    summary.duration = estimateMean(durations);
    summary.overrun = estimateMean(overrun);
    if (summary.trials > 0) {
        summary.overrunShare = static_cast<double>(overran) / summary.trials;
        summary.overrunShareError = proportionError(summary.overrunShare, summary.trials);
    }
    summary.overrunShareInterval = wilsonInterval(overran, summary.trials);
    return summary;
}

std::vector<LateOutcomeSummary> summariseLateOutcomes(const DesignSettings& design,
                                                      const ScenarioOutcomes& outcomes,
                                                      const ScenarioOverruns& overruns) {
    std::vector<LateOutcomeSummary> summaries;
    for (std::size_t s = 0; s < outcomes.size(); ++s) {
        summaries.push_back(summariseLateOutcomes(design.trueRates[s], outcomes[s], overruns[s]));
    }
    return summaries;
}

std::vector<LateOutcomeSummary> summariseLateOutcomes(const DesignSettings& design,
                                                      const ScenarioOutcomes& outcomes) {
    const ReplicateRange all{0, design.trials - 1};
    return summariseLateOutcomes(design, outcomes, overrunsOf(design, outcomes, all));
}

SimulationSummaries summariseSimulation(const DesignSettings& design,
                                        const ScenarioOutcomes& outcomes) {
    return {summariseOutcomes(design, outcomes), summariseLateOutcomes(design, outcomes)};
}

}  // namespace quillmere
