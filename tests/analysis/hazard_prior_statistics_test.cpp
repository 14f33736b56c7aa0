// The analysis with a proper hazard prior (shape a > 0, mean lambda0 in every
// interval) against the exact sampler of the same model: each hazard's full
// conditional is a gamma distribution of shape a + D_j and rate
// a / lambda0 + E_j truncated to the range, under either range. The
// analysis runs as a front end calls it (the window range on a record in
// window units); the exact sampler works in the data's own unit.
#include <gtest/gtest.h>

#include <vector>

#include "analysis/analysis_test_support.h"
#include "engine/exact_posterior.h"

namespace quillmere::testing {
namespace {

void expectAgreementWithExactSampler(const TrialInput& trial, double shape, HazardRange range) {
    constexpr int replicates = 24;
    constexpr int exactImputations = 200000;
    const AnalysisInput input = analysisInputOf(trial, 0.9, shape, range);
    const auto data = recordWithExposures(trial);
    const HazardBounds bounds = hazardBounds(input.rule);
    const ExactModel model{shape, shape / data->lambda0, bounds.lower, bounds.upper};
    const double bound =
        trial.eventType == EventType::DiseaseProgression ? 1 - trial.rateBound : trial.rateBound;
    const ExactPosterior exact = exactPosterior(*data, bound, exactImputations, model);
    std::vector<double> results;
    for (int replicate = 0; replicate < replicates; ++replicate) {
        const AnalysisOutcome outcome = analyseWithSkip(input, replicate * 7919);
        ASSERT_TRUE(outcome.succeeded()) << outcome.error().text;
        results.push_back(outcome.value().posteriorResult);
    }
    expectAgreement(results, exact);
}

TEST(HazardPriorStatistics, ToxicityWithPendingPatientsAcrossTheWindow) {
    expectAgreementWithExactSampler(toxicityWithPendingAcrossTheWindow(), 1.0, HazardRange::Unit);
}

TEST(HazardPriorStatistics, EfficacyWithManyEarlyPendingPatientsUnderTheWindowRange) {
    expectAgreementWithExactSampler(efficacyWithManyEarlyPending(), 0.5, HazardRange::Window);
}

TEST(HazardPriorStatistics, ProgressionWhereLateIntervalsRestOnThePrior) {
    expectAgreementWithExactSampler(progressionWithUninformedLateIntervals(), 2.0,
                                    HazardRange::Unit);
    expectAgreementWithExactSampler(progressionWithUninformedLateIntervals(), 1.0,
                                    HazardRange::Window);
}

// Twelve patients enrolled every 5 days over the first 60 of 90 days, no
// toxicity: with the prior 1/lambda the analysis reports a probability of 1.
TEST(HazardPriorStatistics, ToxicityWithoutEventsAndNoFollowUpLateInTheWindow) {
    TrialInput input{EventType::Toxicity, 0.3, 90.0, {}};
    for (int i = 0; i < 12; ++i) {
        input.patients.push_back(pendingFor(60.0 - 5.0 * i));
    }
    expectAgreementWithExactSampler(input, 1.0, HazardRange::Window);
}

}  // namespace
}  // namespace quillmere::testing
