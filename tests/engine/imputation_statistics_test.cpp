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
    TrialInput input{EventType::Toxicity, 0.3, 30.0, {}};
    for (const double t : {2.0, 9.0, 17.0, 25.0}) {
        input.patients.push_back(eventAt(t));
    }
    for (const double t : {1.0, 4.0, 8.0, 12.0, 15.0, 20.0, 26.0, 29.0}) {
        input.patients.push_back(pendingFor(t));
        input.patients.push_back(completeWithoutEvent(30.0));
    }
    expectAgreementWithExactSampler(input, 0.3);
}

TEST(ImputationStatistics, EfficacyWithManyEarlyPendingPatients) {
    TrialInput input{EventType::Efficacy, 0.35, 56.0, {}};
    for (const double t : {5.0, 10.0, 30.0, 44.0, 51.0, 55.0}) {
        input.patients.push_back(eventAt(t));
    }
    for (const double t : {1.0, 3.0, 7.0, 14.0, 22.0, 35.0, 48.0, 50.0, 53.0, 2.0}) {
        input.patients.push_back(pendingFor(t));
    }
    for (int i = 0; i < 5; ++i) {
        input.patients.push_back(completeWithoutEvent(56.0));
    }
    expectAgreementWithExactSampler(input, 0.35);
}

TEST(ImputationStatistics, ProgressionWithUninformedLateIntervals) {
    // Nobody has been followed beyond 7 of 12: the last two intervals rest on
    // the prior and the sampling range alone.
    TrialInput input{EventType::DiseaseProgression, 0.5, 12.0, {eventAt(1.0), eventAt(3.5)}};
    for (const double t : {0.5, 1.5, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0}) {
        input.patients.push_back(pendingFor(t));
    }
    ASSERT_EQ(firstUninformedInterval(*recordWithExposures(input)), 4);
    expectAgreementWithExactSampler(input, 1 - 0.5);
}

}  // namespace
}  // namespace quillmere::testing
