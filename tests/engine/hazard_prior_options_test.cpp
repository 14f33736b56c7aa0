// The engine under the analysis options of its prior and range: independent
// gamma priors with mean lambda0, and a sampling range other than
// [0.001, 100]. The fast evaluation must keep giving the reference's bits.
#include <gtest/gtest.h>

#include <cmath>

#include "engine/engine_test_support.h"

namespace quillmere::testing {
namespace {

TrialInput mixedTrial() {
    return {EventType::Efficacy,
            0.35,
            12.0,
            {eventAt(1.0), eventAt(3.5), eventAt(4.2), pendingFor(5.0), completeWithoutEvent(12.0),
             pendingFor(0.7), eventAt(11.9), pendingFor(9.0)}};
}

EngineState independentPrior(double shape, double lower, double upper) {
    EngineState state;
    state.hazardPriorShape.fill(shape);
    state.hazardPriorMeans = HazardPriorMeans::Lambda0;
    state.hazardLowerBound = lower;
    state.hazardUpperBound = upper;
    return state;
}

double evaluate(const TrialData& data, const EngineState& state, double x) {
    HazardPosteriorContext context{&data, &state};
    return hazardLogPosterior(x, &context);
}

// With mean lambda0 everywhere, hazard k's density in x is
// (a + D - 1) ln x - (a / lambda0 + E) x up to a constant, whatever the
// other hazards (with chained means it would move with hazard k - 1).
TEST(HazardPriorOptions, IndependentMeansMakeEachConditionalAGammaKernel) {
    auto data = recordWithExposures(mixedTrial());
    const std::array<double, intervalCount> events{1, 1, 1, 0, 0, 1};
    const std::array<double, intervalCount> exposure{1 + 2 + 2 + 2 + 2 + 0.7 + 2 + 2,
                                                     1.5 + 2 + 2 + 2 + 2 + 2,
                                                     0.2 + 1 + 2 + 2 + 2,
                                                     2 + 2 + 2,
                                                     2 + 2 + 1,
                                                     2 + 1.9};
    EngineState state = independentPrior(1.7, 0.001, 100.0);
    for (const auto& hazards : {std::array<double, intervalCount>{0.4, 1.3, 0.02, 7.0, 2.5, 0.9},
                                std::array<double, intervalCount>{9, 0.01, 3, 0.2, 50, 1}}) {
        data->hazard = hazards;
        for (int k = 0; k < intervalCount; ++k) {
            state.currentHazardIndex = k;
            const auto kernel = [&](double x) {
                return (1.7 + events[k] - 1) * std::log(x) -
                       (1.7 / data->lambda0 + exposure[k]) * x;
            };
            const double offset = evaluate(*data, state, 1.0) - kernel(1.0);
            for (const double x : {0.001, 0.05, 0.8, 3.0, 60.0, 100.0}) {
                EXPECT_NEAR(evaluate(*data, state, x) - offset, kernel(x), 1e-10) << "k=" << k;
            }
        }
    }
}

void expectIdenticalRuns(const TrialInput& input, const EngineState& start) {
    auto literalData = recordWithExposures(input);
    auto fastData = recordWithExposures(input);
    EngineState literal = start;
    EngineState fast = start;
    ASSERT_EQ(
        runGibbsImputation(*literalData, input.eventType, literal, PosteriorEvaluation::Literal),
        0);
    ASSERT_EQ(runGibbsImputation(*fastData, input.eventType, fast, PosteriorEvaluation::Fast), 0);
    EXPECT_EQ(bitsOf(fastData->posteriorResult), bitsOf(literalData->posteriorResult));
    for (int j = 0; j < intervalCount; ++j) {
        EXPECT_EQ(bitsOf(fastData->hazard[j]), bitsOf(literalData->hazard[j])) << "hazard " << j;
    }
    EXPECT_EQ(fast.rand15.state, literal.rand15.state);
    EXPECT_EQ(fast.uniform.coarseState, literal.uniform.coarseState);
}

TEST(HazardPriorOptions, FastAndLiteralRunsGiveTheSameBits) {
    expectIdenticalRuns(mixedTrial(), independentPrior(0.5, 0.001, 100.0));
    expectIdenticalRuns(mixedTrial(), independentPrior(2.0, 1e-4, 1e4));
    // A record in window units, as the window range fills it.
    expectIdenticalRuns({EventType::Toxicity,
                         0.3,
                         1.0,
                         {eventAt(0.1), pendingFor(0.05), pendingFor(0.3), pendingFor(0.6)}},
                        independentPrior(1.0, 1e-4, 1e4));
}

// A narrow range around the chain's starting value 2.0, far above where the
// data put the hazards.
TEST(HazardPriorOptions, HazardsAreDrawnFromTheStatesRange) {
    auto data = recordWithExposures(mixedTrial());
    EngineState state = independentPrior(1.0, 1.5, 2.5);
    ASSERT_EQ(runGibbsImputation(*data, EventType::Efficacy, state), 0);
    for (const double hazard : data->hazard) {
        EXPECT_GE(hazard, 1.5);
        EXPECT_LE(hazard, 2.5);
    }
}

}  // namespace
}  // namespace quillmere::testing
