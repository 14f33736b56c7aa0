#include <gtest/gtest.h>

#include <cmath>

#include "design/design_test_support.h"
#include "design/look_analysis.h"
#include "design/look_schedule.h"

namespace quillmere {
namespace {

TEST(LookSchedule, LooksComeBeforeEnrolmentsUpToTheLastPatient) {
    DesignSettings design = testing::smallDesign(EventType::Toxicity);
    design.maxPatients = 40;
    design.firstLook = 10;
    design.lookEvery = 5;
    ASSERT_EQ(scheduledLookCount(design), 6);
    EXPECT_EQ(enrolledAtLook(design, 1), 10);
    EXPECT_EQ(enrolledAtLook(design, 6), 35);
    design.firstLook = 39;
    EXPECT_EQ(scheduledLookCount(design), 1);
    design.firstLook = 9;
    EXPECT_EQ(scheduledLookCount(design), 7);  // 9, 14, ..., 39
}

// Window 10; the look comes at the arrival of the fifth patient, time 20.
TEST(LookSnapshot, ShowsWhatIsKnownAtTheLook) {
    const std::vector<SimulatedPatient> cohort = {
        {1.0, 4.0},    // event at 5: observed
        {2.0, 50.0},   // no event within the window, window complete
        {12.0, 9.0},   // event would come at 21: pending
        {15.0, 10.0},  // event on the window's end at 25: pending
        {20.0, 1.0},   // the next patient: not enrolled yet
    };
    const LookSnapshot look = takeSnapshot(cohort, 4, 10.0);
    EXPECT_EQ(look.time, 20.0);
    ASSERT_EQ(look.patients.size(), 4u);
    EXPECT_EQ(look.patients[0].responseIndicator, 1);
    EXPECT_EQ(look.patients[0].timeToEvent, 4.0);
    EXPECT_EQ(look.patients[0].followUpTime, 19.0);
    EXPECT_EQ(look.patients[1].responseIndicator, 0);
    EXPECT_EQ(look.patients[1].timeToEvent, 10.0);
    EXPECT_EQ(look.patients[1].followUpTime, 18.0);
    EXPECT_EQ(look.patients[2].responseIndicator, 0);
    EXPECT_EQ(look.patients[2].timeToEvent, 8.0);
    EXPECT_EQ(look.patients[3].timeToEvent, 5.0);
    EXPECT_EQ(look.pending, 2);
    EXPECT_EQ(look.completed, 2);
}

TEST(LookSnapshot, AnEventAtTheFollowUpTimeIsObserved) {
    const std::vector<SimulatedPatient> cohort = {{0.0, 3.0}, {3.0, 1.0}};
    const LookSnapshot look = takeSnapshot(cohort, 1, 10.0);
    EXPECT_EQ(look.patients[0].responseIndicator, 1);
    EXPECT_EQ(look.pending, 0);
}

TEST(LookRecord, FillsTheRecordAsTheConsoleRunDoes) {
    std::vector<TrialData> record(1);
    const std::vector<PatientLine> patients = {{1, 4.0, 19.0}, {0, 10.0, 18.0}, {0, 8.0, 8.0}};
    fillTrialRecord(record[0], patients, {EventType::Toxicity, 0.3, 0.9, 12.0});
    const TrialData& data = record[0];
    EXPECT_EQ(data.patientCount, 3);
    EXPECT_STREQ(data.patientId[2].data(), "P003");
    EXPECT_EQ(data.observedTime[0], 4.0);
    EXPECT_EQ(data.observedTime[1], 12.0);  // follow-up capped at the window
    EXPECT_EQ(data.observedTime[2], 8.0);
    EXPECT_EQ(data.intervalBound[3], 6.0);
    EXPECT_EQ(data.intervalBound[6], 12.0);
    EXPECT_EQ(data.lambda0, -(std::log(1 - 0.3) / 12.0));
}

}  // namespace
}  // namespace quillmere
