#include <gtest/gtest.h>

#include <cmath>

#include "design/cohort.h"
#include "design/design_test_support.h"
#include "design/random_stream.h"

namespace quillmere {
namespace {

TEST(RandomStream, SplitMixAndXoshiroGiveTheirPublishedValues) {
    std::uint64_t state = 0;
    EXPECT_EQ(splitMix64(state), 0xE220A8397B1DCDAFULL);
    EXPECT_EQ(splitMix64(state), 0x6E789E6AA1B965F4ULL);
    EXPECT_EQ(splitMix64(state), 0x06C45D188009454FULL);

    RandomStream stream{{1, 2, 3, 4}};
    EXPECT_EQ(nextBits(stream), 11520u);
    EXPECT_EQ(nextBits(stream), 0u);
    EXPECT_EQ(nextBits(stream), 1509978240u);
}

TEST(RandomStream, EveryScenarioAndReplicateHasItsOwnStream) {
    RandomStream first = replicateStream(5, 0, 0);
    const std::uint64_t a = nextBits(first);
    RandomStream same = replicateStream(5, 0, 0);
    EXPECT_EQ(nextBits(same), a);
    RandomStream otherReplicate = replicateStream(5, 0, 1);
    RandomStream otherScenario = replicateStream(5, 1, 0);
    RandomStream otherSeed = replicateStream(6, 0, 0);
    EXPECT_NE(nextBits(otherReplicate), a);
    EXPECT_NE(nextBits(otherScenario), a);
    EXPECT_NE(nextBits(otherSeed), a);
}

TEST(RandomStream, UniformsStayStrictlyInsideTheUnitInterval) {
    RandomStream zeros{{0, 0, 0, 0}};  // a degenerate state that only yields 0 bits
    EXPECT_EQ(openUniform(zeros), 0x1.0p-54);
    RandomStream stream = replicateStream(1, 0, 0);
    for (int i = 0; i < 10000; ++i) {
        const double u = openUniform(stream);
        ASSERT_GT(u, 0.0);
        ASSERT_LT(u, 1.0);
    }
}

// The share of Weibull times within the window is the target probability
// for every shape (within four standard errors).
TEST(RandomStream, WeibullScaleGivesTheRateWithinTheWindow) {
    const int draws = 40000;
    for (const double shape : {0.5, 1.0, 3.0}) {
        for (const double rate : {0.1, 0.45}) {
            RandomStream stream = replicateStream(11, 0, 0);
            const double scale = weibullScaleFor(rate, 90.0, shape);
            int within = 0;
            for (int i = 0; i < draws; ++i) {
                within += weibullVariate(stream, shape, scale) <= 90.0 ? 1 : 0;
            }
            const double error = std::sqrt(rate * (1 - rate) / draws);
            EXPECT_NEAR(static_cast<double>(within) / draws, rate, 4 * error) << "shape " << shape;
        }
    }
}

TEST(RandomStream, ExponentialWaitsHaveTheMeanOfTheRate) {
    RandomStream stream = replicateStream(3, 0, 0);
    const int draws = 40000;
    double sum = 0.0;
    for (int i = 0; i < draws; ++i) {
        sum += exponentialVariate(stream, 0.25);
    }
    // Mean 4 and standard deviation 4: four standard errors.
    EXPECT_NEAR(sum / draws, 4.0, 4 * 4.0 / std::sqrt(draws));
}

TEST(Cohort, ArrivalsIncreaseAndScalingMultipliesEveryTime) {
    const DesignSettings design = testing::smallDesign(EventType::Toxicity);
    RandomStream stream = replicateStream(design.seed, 0, 0);
    const std::vector<SimulatedPatient> cohort = simulateCohort(design, 0.3, stream);
    ASSERT_EQ(cohort.size(), 12u);
    EXPECT_GT(cohort[0].arrivalTime, 0.0);
    for (std::size_t i = 1; i < cohort.size(); ++i) {
        EXPECT_GT(cohort[i].arrivalTime, cohort[i - 1].arrivalTime);
    }
    const std::vector<SimulatedPatient> hours = scaledCohort(cohort, 24.0);
    EXPECT_EQ(hours[5].arrivalTime, cohort[5].arrivalTime * 24.0);
    EXPECT_EQ(hours[5].eventTime, cohort[5].eventTime * 24.0);
}

}  // namespace
}  // namespace quillmere
