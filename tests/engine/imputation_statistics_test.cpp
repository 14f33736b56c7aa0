// The imputation sampler against an exact sampler of the same model
// (engine/exact_posterior.h), with all prior shapes zero: hazard j's full
// conditional is then lambda^(D_j - 1) exp(-lambda E_j) on [0.001, 100]. The
// engine's result, a mean over 20 imputations from its chain, must agree
// within Monte Carlo error. To sharpen the check the engine runs several
// times, its random sources advanced by different amounts so that the
// replicates are independent.
#include <gtest/gtest.h>

#include <vector>

#include "engine/exact_posterior.h"
#include "numeric/random_sources.h"

namespace quillmere::testing {
namespace {

double engineResult(const TrialInput& input, int replicate) {
    auto data = recordWithExposures(input);
    EngineState state;
    for (int skip = 0; skip < replicate * 7919; ++skip) {
        nextUniform(state.uniform);
        openUniform(state.rand15);
    }
    EXPECT_EQ(runGibbsImputation(*data, input.eventType, state), 0);
    return data->posteriorResult;
}

void expectAgreementWithExactSampler(const TrialInput& input, double bound) {
    constexpr int replicates = 24;
    constexpr int exactImputations = 200000;
    const auto data = recordWithExposures(input);
    const ExactPosterior exact = exactPosterior(*data, bound, exactImputations, ExactModel{});
    std::vector<double> results;
    for (int replicate = 0; replicate < replicates; ++replicate) {
        results.push_back(engineResult(input, replicate));
    }
    expectAgreement(results, exact);
}

TEST(ImputationStatistics, ToxicityWithPendingPatientsAcrossTheWindow) {
    expectAgreementWithExactSampler(toxicityWithPendingAcrossTheWindow(), 0.3);
}

TEST(ImputationStatistics, EfficacyWithManyEarlyPendingPatients) {
    expectAgreementWithExactSampler(efficacyWithManyEarlyPending(), 0.35);
}

TEST(ImputationStatistics, ProgressionWithUninformedLateIntervals) {
    const TrialInput input = progressionWithUninformedLateIntervals();
    ASSERT_EQ(firstUninformedInterval(*recordWithExposures(input)), 4);
    expectAgreementWithExactSampler(input, 1 - 0.5);
}

}  // namespace
}  // namespace quillmere::testing
