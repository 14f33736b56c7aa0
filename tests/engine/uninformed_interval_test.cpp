#include <gtest/gtest.h>

#include "engine/engine_test_support.h"

namespace quillmere::testing {
namespace {

std::optional<int> uninformed(double window, std::vector<PatientEntry> patients) {
    return firstUninformedInterval(
        *recordWithExposures({EventType::Toxicity, 0.3, window, std::move(patients)}));
}

TEST(FirstUninformedInterval, NoPatientsOrNonePendingMeansNothingToImpute) {
    EXPECT_EQ(uninformed(90.0, {}), std::nullopt);
    // Early events leave the late intervals without exposure, but nobody waits
    // for an outcome there.
    EXPECT_EQ(uninformed(90.0, {eventAt(3.0), eventAt(10.0)}), std::nullopt);
}

TEST(FirstUninformedInterval, RecentEnrolmentLeavesTheLateIntervalsUninformed) {
    // Twelve patients enrolled evenly over 60 days of a 90-day window, none
    // complete: bounds 0, 15, ..., 90, nobody followed beyond day 60.
    std::vector<PatientEntry> patients;
    for (int i = 1; i <= 12; ++i) {
        patients.push_back(pendingFor(5.0 * i));
    }
    EXPECT_EQ(uninformed(90.0, patients), 4);
}

TEST(FirstUninformedInterval, OneCompletePatientInformsEveryInterval) {
    EXPECT_EQ(uninformed(90.0, {pendingFor(10.0), completeWithoutEvent(90.0)}), std::nullopt);
    EXPECT_EQ(uninformed(90.0, {pendingFor(10.0), {"L", 0, 90.0, 130.0}}), std::nullopt);
}

TEST(FirstUninformedInterval, ExposureFromEventPatientsCounts) {
    // An event at 50 exposes intervals 0 to 3; the pending patient at 10 still
    // reaches into intervals 4 and 5.
    EXPECT_EQ(uninformed(90.0, {pendingFor(10.0), eventAt(50.0)}), 4);
    EXPECT_EQ(uninformed(90.0, {pendingFor(10.0), eventAt(89.0)}), std::nullopt);
}

TEST(FirstUninformedInterval, PendingPatientsAtTimeZeroLeaveTheFirstIntervalUninformed) {
    EXPECT_EQ(uninformed(90.0, {pendingFor(0.0), pendingFor(0.0)}), 0);
}

TEST(FirstUninformedInterval, FollowUpEndingOnABoundDoesNotInformTheNextInterval) {
    EXPECT_EQ(uninformed(6.0, {pendingFor(2.0)}), 2);
    EXPECT_EQ(uninformed(6.0, {pendingFor(2.0), pendingFor(2.5)}), 3);
}

}  // namespace
}  // namespace quillmere::testing
