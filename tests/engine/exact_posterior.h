#pragma once

// An exact sampler of the engine's model, independent of the engine's code.
//
// With independent priors (all shapes 0, or shape a and mean lambda0 in every
// interval) hazard j's full conditional is a gamma distribution of shape
// a + D_j and rate a / lambda0 + E_j (D_j the events, E_j the total exposure
// of interval j) truncated to the sampling range, and it does not depend on
// the other hazards: the Gibbs sampler of the model draws each hazard from it
// directly. The sampler below does so (gamma draws rejected outside the
// range; for shape 0 a log-uniform proposal accepted with probability
// exp(-lambda E_j)), imputes every pending patient and averages
// Pr(q < x | completed data) over many imputations.
#include <utility>
#include <vector>

#include "engine/engine_test_support.h"

namespace quillmere::testing {

// The prior and range the hazards are drawn under, in the record's time unit.
struct ExactModel {
    double priorShape = 0.0;  // a: the prior 1/lambda when 0
    double priorRate = 0.0;   // a / lambda0
    double lowerBound = 0.001;
    double upperBound = 100.0;
};

// The engine keeps one imputation every hundredth of its last 2000 sweeps.
inline constexpr int retainedPerRun = 20;

struct ExactPosterior {
    double mean = 0.0;
    double meanStandardError = 0.0;
    // Spread (standard deviation) of means over 20 independent imputations.
    double spreadOf20 = 0.0;
};

ExactPosterior exactPosterior(const TrialData& data, double bound, int imputations,
                              const ExactModel& model);

std::pair<double, double> meanAndStandardDeviation(const std::vector<double>& values);

// The engine's results (index 0 its fixed-seed run, the others replicates
// from independently advanced random sources) against the exact mean. The
// tolerances rest on the spread of 20-imputation means: from the exact
// sampler's independent imputations, or from the engine's replicates where
// that is larger (the chain's retained sweeps can be correlated, e.g. when a
// hazard without data wanders over its whole range, so its 20-imputation
// means spread more than independent ones).
void expectAgreement(const std::vector<double>& engineResults, const ExactPosterior& exact);

// Looks with pending patients on which the engine meets the exact sampler.
// Toxicity, bound 0.3, window 30: events, pending and complete patients
// across the window.
TrialInput toxicityWithPendingAcrossTheWindow();
// Efficacy, bound 0.35, window 56: many pending patients early in it.
TrialInput efficacyWithManyEarlyPending();
// Progression, bound 0.5, window 12: nobody followed beyond 7, so the last
// two intervals rest on the prior and the sampling range alone.
TrialInput progressionWithUninformedLateIntervals();

}  // namespace quillmere::testing
