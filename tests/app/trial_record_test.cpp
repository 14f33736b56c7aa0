// The model parameters the driver derives before the engine runs, and the
// engine steps' own check of the report file.
#include <gtest/gtest.h>

#include <cmath>
#include <iostream>

#include "app/process_state.h"
#include "trial/trial_record.h"

namespace quillmere {
namespace {

TEST(TrialRecord, ObservedTimeIsTheEventTimeOrTheCappedFollowUp) {
    EXPECT_EQ(observedTimeFor(0, 30, 40, 30), 30);
    EXPECT_EQ(observedTimeFor(0, 20, 20, 30), 20);
    EXPECT_EQ(observedTimeFor(1, 12, 50, 30), 12);
    EXPECT_EQ(observedTimeFor(0, 30, 30, 30), 30);
}

TEST(TrialRecord, IntervalBoundsAreProductFirstThenDivision) {
    TrialData data;
    data.maxEvaluationWindow = 0.7;
    data.hazard.fill(5.0);
    data.posteriorResult = 3.0;
    prepareRecord(data);
    for (int k = 0; k < 6; ++k) {
        const double productFirst = (0.7 * k) / 6.0;
        EXPECT_EQ(data.intervalBound[k], productFirst) << k;
    }
    // 0.7 * 3 / 6 and 0.7 * (3 / 6.0) differ in the last bit.
    EXPECT_NE(data.intervalBound[3], 0.7 * (3 / 6.0));
    EXPECT_EQ(data.intervalBound[6], 0.7);
    EXPECT_EQ(data.hazard[3], 0.0);
    EXPECT_EQ(data.posteriorResult, 0.0);
}

TEST(TrialRecord, Lambda0GivesTheBoundAsTheWindowProbability) {
    // exp(-lambda0 * W) is the probability of no event within the window.
    EXPECT_NEAR(std::exp(-lambda0For(EventType::Toxicity, 0.3, 28) * 28), 0.7, 1e-15);
    EXPECT_NEAR(std::exp(-lambda0For(EventType::Efficacy, 0.2, 12) * 12), 0.8, 1e-15);
    EXPECT_NEAR(std::exp(-lambda0For(EventType::DiseaseProgression, 0.4, 6) * 6), 0.4, 1e-15);
    EXPECT_EQ(lambda0For(EventType::Toxicity, 0.3, 28), -(std::log(1 - 0.3) / 28));
}

using EngineStepsDeathTest = ::testing::Test;

TEST(EngineStepsDeathTest, EndTheRunWhenTheReportFileCannotBeOpened) {
    TrialData data;
    processState().reportPathPrefix = "/nonexistent-quillmere-directory/";
    EXPECT_EXIT(
        {
            std::cout.rdbuf(std::cerr.rdbuf());
            data.computeExposures();
        },
        ::testing::ExitedWithCode(1), "^ can not open summary.txt\n$");
    EXPECT_EXIT(
        {
            std::cout.rdbuf(std::cerr.rdbuf());
            data.runImputationSampler();
        },
        ::testing::ExitedWithCode(1), "^ can not open summary.txt\n$");
    processState().reportPathPrefix = "./";
}

}  // namespace
}  // namespace quillmere
