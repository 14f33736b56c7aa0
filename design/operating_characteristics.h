#pragma once

#include <vector>

#include "design/design_settings.h"
#include "design/simulation_runner.h"
#include "design/trial_simulation.h"

namespace quillmere {

// A 95% interval for a probability.
struct ProportionInterval {
    double low = 0.0;
    double high = 1.0;
};

// The operating characteristics of the design under one true rate, with the
// Monte Carlo standard errors of the estimates.
struct ScenarioSummary {
    double trueRate = 0.0;
    int trials = 0;
    double earlyStop = 0.0;  // probability of early termination
    double earlyStopError = 0.0;
    ProportionInterval earlyStopInterval;
    double meanEnrolled = 0.0;
    double meanEnrolledError = 0.0;
    double meanDuration = 0.0;
    double meanDurationError = 0.0;
    std::vector<double> stopByLook;  // index l - 1 for look l
    std::vector<double> stopByLookError;
    std::vector<ProportionInterval> stopByLookInterval;
    double meanLooksRun = 0.0;
    double meanPendingPerLook = 0.0;  // over all looks run
    double priorOnlyShare = 0.0;      // share of looks run with the prior-only warning
};

// Reduces the outcomes in replicate order, so the sums (and so the figures)
// do not depend on how the replicates were computed.
ScenarioSummary summariseScenario(double trueRate, const std::vector<TrialOutcome>& outcomes,
                                  int lookCount);

// The summaries of all scenarios of a design, reduced in replicate order.
std::vector<ScenarioSummary> summariseOutcomes(const DesignSettings& design,
                                               const ScenarioOutcomes& outcomes);

// Monte Carlo standard error of a proportion estimated from n trials.
double proportionError(double proportion, int trials);

// The 95% Wilson score interval of `successes` among `trials`. Unlike the
// standard error it stays informative at 0 and 1: none in 1000 trials gives
// [0, 0.0038].
ProportionInterval wilsonInterval(long successes, long trials);

// Mean and standard error of the mean (sample standard deviation / sqrt(n)).
struct MeanEstimate {
    double mean = 0.0;
    double error = 0.0;
};
MeanEstimate estimateMean(const std::vector<double>& values);

}  // namespace quillmere
