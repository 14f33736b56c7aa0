#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "engine/engine_test_support.h"

namespace quillmere::testing {
namespace {

double evaluate(const TrialData& data, const EngineState& state, double x) {
    HazardPosteriorContext context{&data, &state};
    return hazardLogPosterior(x, &context);
}

TEST(HazardLogPosterior, WithoutPatientsItIsThePriorAlone) {
    auto data = recordWithExposures({EventType::Toxicity, 0.3, 90.0, {}});
    data->hazard = {0.5, 3.0, 0.001, 100.0, 1.0, 7.0};
    EngineState state;
    for (int k = 0; k < intervalCount; ++k) {
        state.currentHazardIndex = k;
        for (const double x : {0.001, 0.37, 1.0, 2.0, 99.5, 100.0}) {
            EXPECT_EQ(evaluate(*data, state, x), -std::log(x)) << "k=" << k << " x=" << x;
        }
    }
}

TEST(HazardLogPosterior, WorkedExampleSingleEventEarlyInTheWindow) {
    // Event at 0.5 in a window of 6: exposures (0.5, 0, ...), indicators (1, 0, ...).
    auto data = recordWithExposures({EventType::Toxicity, 0.3, 6.0, {eventAt(0.5)}});
    data->hazard = {3.0, 0.2, 1.7, 5.0, 0.01, 42.0};
    EngineState state;
    state.currentHazardIndex = 0;
    for (const double x : {0.001, 0.25, 1.0, 7.5, 100.0}) {
        const double tolerance = 4e-16 * (std::abs(std::log(x)) + x);
        EXPECT_NEAR(evaluate(*data, state, x), -0.5 * x, tolerance) << "x=" << x;
    }
}

// With the prior shapes all zero, the density of hazard k in x depends only on
// interval k's events D and exposure E: (D - 1) ln x - E x plus a constant.
TEST(HazardLogPosterior, ShapeInXRestsOnTheIntervalsOwnEventsAndExposure) {
    const TrialInput input{EventType::Efficacy,
                           0.35,
                           12.0,
                           {eventAt(1.0), eventAt(3.5), eventAt(4.2), pendingFor(5.0),
                            completeWithoutEvent(12.0), pendingFor(0.7), eventAt(11.9)}};
    auto data = recordWithExposures(input);
    data->hazard = {0.4, 1.3, 0.02, 7.0, 2.5, 0.9};
    // Intervals of length 2: events per interval and total exposures by hand.
    const std::array<double, intervalCount> events{1, 1, 1, 0, 0, 1};
    const std::array<double, intervalCount> exposure{
        1 + 2 + 2 + 2 + 2 + 0.7 + 2, 1.5 + 2 + 2 + 2 + 2, 0.2 + 1 + 2 + 2, 2 + 2, 2 + 2, 2 + 1.9};
    EngineState state;
    for (int k = 0; k < intervalCount; ++k) {
        state.currentHazardIndex = k;
        const auto shape = [&](double x) {
            return (events[k] - 1) * std::log(x) - exposure[k] * x;
        };
        const double offset = evaluate(*data, state, 1.0) - shape(1.0);
        for (const double x : {0.001, 0.05, 0.8, 3.0, 60.0, 100.0}) {
            EXPECT_NEAR(evaluate(*data, state, x) - offset, shape(x), 1e-11) << "k=" << k;
        }
    }
}

TEST(HazardLogPosterior, OtherHazardsShiftTheResultByAConstant) {
    const TrialInput input{
        EventType::Toxicity,
        0.3,
        30.0,
        {eventAt(4.0), eventAt(17.0), pendingFor(12.0), completeWithoutEvent(30.0)}};
    auto data = recordWithExposures(input);
    EngineState state;
    state.currentHazardIndex = 2;
    data->hazard = {1, 1, 1, 1, 1, 1};
    const double baseAt1 = evaluate(*data, state, 1.0);
    const double baseAt5 = evaluate(*data, state, 5.0);
    data->hazard = {0.3, 8.0, 1, 0.01, 2.0, 50.0};
    const double movedAt1 = evaluate(*data, state, 1.0);
    const double movedAt5 = evaluate(*data, state, 5.0);
    EXPECT_NE(baseAt1, movedAt1);
    EXPECT_NEAR(baseAt5 - baseAt1, movedAt5 - movedAt1, 1e-12);
}

TEST(HazardLogPosterior, NonZeroPriorShapeUsesTheChainOfPriorMeans) {
    auto data = recordWithExposures({EventType::Toxicity, 0.3, 6.0, {}});
    data->hazard = {0.5, 4.0, 1, 1, 1, 1};
    EngineState state;
    state.hazardPriorShape = {2.0, 3.0, 0, 0, 0, 0};
    // Hazard 0: shape 2, mean lambda0; hazard 1: shape 3, mean hazard[0].
    state.currentHazardIndex = 0;
    EXPECT_DOUBLE_EQ(evaluate(*data, state, 1.5), std::log(1.5) - 2.0 / data->lambda0 * 1.5);
    state.currentHazardIndex = 1;
    EXPECT_DOUBLE_EQ(evaluate(*data, state, 1.5), 2 * std::log(1.5) - 3.0 / 0.5 * 1.5);
}

TEST(HazardLogPosterior, LeavesTheRecordUnchanged) {
    const TrialInput input{EventType::Toxicity, 0.3, 30.0, {eventAt(4.0), pendingFor(12.0)}};
    auto data = recordWithExposures(input);
    data->hazard = {0.3, 8.0, 1, 0.01, 2.0, 50.0};
    const auto before = std::make_unique<TrialData>(*data);
    EngineState state;
    for (int k = 0; k < intervalCount; ++k) {
        state.currentHazardIndex = k;
        for (int call = 0; call < 50; ++call) {
            evaluate(*data, state, 0.001 + call * 2.0);
        }
    }
    EXPECT_EQ(std::memcmp(before.get(), data.get(), sizeof(TrialData)), 0);
}

}  // namespace
}  // namespace quillmere::testing
