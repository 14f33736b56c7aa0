#include <gtest/gtest.h>

#include "engine/engine_test_support.h"

namespace quillmere::testing {
namespace {

using Row = std::array<double, intervalCount>;
using Indicators = std::array<int, intervalCount>;

// Window 6: bounds 0, 1, ..., 6.
TrialInput unitWindow(std::vector<PatientEntry> patients) {
    return {EventType::Toxicity, 0.3, 6.0, std::move(patients)};
}

TEST(ExposureTable, WorkedExampleOfEventPendingAndCompletePatients) {
    const auto data =
        recordWithExposures(unitWindow({eventAt(2.5), pendingFor(3.0), completeWithoutEvent(6.0)}));
    EXPECT_EQ(data->exposure[0], (Row{1, 1, 0.5, 0, 0, 0}));
    EXPECT_EQ(data->delta[0], (Indicators{0, 0, 1, 0, 0, 0}));
    EXPECT_EQ(data->exposure[1], (Row{1, 1, 1, 0, 0, 0}));
    EXPECT_EQ(data->delta[1], (Indicators{}));
    EXPECT_EQ(data->exposure[2], (Row{1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(data->delta[2], (Indicators{}));
}

TEST(ExposureTable, EventOnABoundBelongsToTheIntervalEndingThere) {
    const auto data = recordWithExposures(unitWindow({eventAt(2.0), eventAt(1.0), eventAt(6.0)}));
    EXPECT_EQ(data->exposure[0], (Row{1, 1, 0, 0, 0, 0}));
    EXPECT_EQ(data->delta[0], (Indicators{0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(data->delta[1], (Indicators{1, 0, 0, 0, 0, 0}));
    EXPECT_EQ(data->exposure[2], (Row{1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(data->delta[2], (Indicators{0, 0, 0, 0, 0, 1}));
}

TEST(ExposureTable, TimeZeroGivesNoExposureAndNoEventWhateverTheIndicator) {
    const auto data = recordWithExposures(unitWindow({eventAt(0.0), {"P", 0, 0.0, 0.0}}));
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(data->exposure[i], (Row{}));
        EXPECT_EQ(data->delta[i], (Indicators{}));
    }
}

TEST(ExposureTable, PendingPatientExactlyOnABound) {
    const auto data = recordWithExposures(unitWindow({pendingFor(2.0)}));
    EXPECT_EQ(data->exposure[0], (Row{1, 1, 0, 0, 0, 0}));
}

TEST(ExposureTable, FollowUpBeyondTheWindowIsCappedAtTheWindow) {
    const auto data = recordWithExposures(unitWindow({{"L", 0, 6.0, 40.0}}));
    EXPECT_EQ(data->exposure[0], (Row{1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(data->delta[0], (Indicators{}));
}

TEST(ExposureTable, EventBeyondTheWindowCountsWholeIntervalsAndNoEvent) {
    auto data = preparedRecord(unitWindow({eventAt(3.0)}));
    data->observedTime[0] = 7.0;  // never stored by the driver, handled all the same
    computeExposureTable(*data);
    EXPECT_EQ(data->exposure[0], (Row{1, 1, 1, 1, 1, 1}));
    EXPECT_EQ(data->delta[0], (Indicators{}));
}

TEST(ExposureTable, RowsBeyondThePatientCountAreLeftAlone) {
    auto data = preparedRecord(unitWindow({eventAt(2.5)}));
    data->exposure[1].fill(-7.0);
    data->delta[1].fill(9);
    computeExposureTable(*data);
    EXPECT_EQ(data->exposure[1], (Row{-7, -7, -7, -7, -7, -7}));
    EXPECT_EQ(data->delta[1], (Indicators{9, 9, 9, 9, 9, 9}));
}

TEST(ExposureTable, ExposuresOfAPatientAddUpToTheTimeAtRisk) {
    // Window 90, bounds 0, 15, ..., 90 (all exact).
    std::vector<PatientEntry> patients;
    for (const double t : {0.55, 13.58, 15.0, 44.87, 78.83, 89.99, 90.0}) {
        patients.push_back(pendingFor(t));
        patients.push_back(eventAt(t));
    }
    const auto data = recordWithExposures({EventType::Efficacy, 0.3, 90.0, patients});
    for (int i = 0; i < data->patientCount; ++i) {
        double sum = 0.0;
        int events = 0;
        for (int j = 0; j < intervalCount; ++j) {
            sum += data->exposure[i][j];
            events += data->delta[i][j];
        }
        EXPECT_NEAR(sum, data->observedTime[i], 1e-12) << "patient " << i;
        EXPECT_EQ(events, data->responseIndicator[i]) << "patient " << i;
    }
}

}  // namespace
}  // namespace quillmere::testing
