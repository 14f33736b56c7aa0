#pragma once

#include <optional>
#include <vector>

#include "design/cohort.h"
#include "design/design_settings.h"
#include "design/operating_characteristics.h"
#include "design/simulation_runner.h"

namespace quillmere {

// The cost of deciding before the outcomes are known. At a look the patients
// then enrolled have outcomes of their own, known or not; the first look
// (among those the run-in lets run once every outcome is known) at which
// these outcomes, all known, cross the stopping boundary is where the data
// already justified stopping. Every patient a trial enrolled beyond it is a
// patient a rule that waited could have spared. The count depends only on the
// replicate's patients, the rule and where the trial ended, so it is found
// again from the replicate files without storing it.

// Whether the rule stops with every outcome known, by look (index look - 1)
// and event count.
using CompleteDataStops = std::vector<std::vector<bool>>;
CompleteDataStops completeDataStops(const DesignSettings& design);

// The enrolment at that first look, or nothing when the patients never cross
// the boundary. The cohort is the replicate's as drawn (replicateCohort).
std::optional<int> justifiedStopEnrolment(const DesignSettings& design,
                                          const CompleteDataStops& stops,
                                          const std::vector<SimulatedPatient>& cohort);

// Patients enrolled after the data justified stopping, by scenario and then
// replicate in range order: the enrolment beyond that look, 0 when the trial
// ended at or before it or when there is none.
using ScenarioOverruns = std::vector<std::vector<int>>;
ScenarioOverruns overrunsOf(const DesignSettings& design, const ScenarioOutcomes& outcomes,
                            ReplicateRange range);

// What waiting and not waiting cost, under one true rate: the expected
// duration, the expected number of patients enrolled after the data justified
// stopping, and the share of trials that enrolled any, with their Monte Carlo
// errors.
struct LateOutcomeSummary {
    double trueRate = 0.0;
    int trials = 0;
    MeanEstimate duration;
    MeanEstimate overrun;
    double overrunShare = 0.0;
    double overrunShareError = 0.0;
    ProportionInterval overrunShareInterval;
};

LateOutcomeSummary summariseLateOutcomes(double trueRate, const std::vector<TrialOutcome>& outcomes,
                                         const std::vector<int>& overruns);

std::vector<LateOutcomeSummary> summariseLateOutcomes(const DesignSettings& design,
                                                      const ScenarioOutcomes& outcomes,
                                                      const ScenarioOverruns& overruns);

// The late-outcome figures of all replicates of a design: the overrun of
// every trial is found again from its patients.
std::vector<LateOutcomeSummary> summariseLateOutcomes(const DesignSettings& design,
                                                      const ScenarioOutcomes& outcomes);

// What a whole simulation reports.
struct SimulationSummaries {
    std::vector<ScenarioSummary> scenarios;
    std::vector<LateOutcomeSummary> lateOutcomes;
};
SimulationSummaries summariseSimulation(const DesignSettings& design,
                                        const ScenarioOutcomes& outcomes);

}  // namespace quillmere
