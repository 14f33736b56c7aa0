// Loading and checking the patient data file, through the built program.
// Every failing run must end with status -1 (255) and leave summary.txt
// without a line of its own.
#include <gtest/gtest.h>

#include "app/console_text.h"
#include "app/program_runner.h"
#include "app/trial_files.h"

namespace quillmere::testing {
namespace {

constexpr int inputFailureStatus = 255;

// The console text after the confirmation, for a run that fails on its data.
std::string dataFailureText(const ProgramRun& run) {
    const std::string head = bannerText + confirmationText("TOXICITY.");
    EXPECT_EQ(run.out.rfind(head, 0), 0u) << run.out;
    return run.out.substr(std::min(head.size(), run.out.size()));
}

struct RecordCase {
    const char* name;
    const char* records;
    const char* message;
};

class RecordCheck : public ::testing::TestWithParam<RecordCase> {};

TEST_P(RecordCheck, PrintsItsMessageAndEndsTheRun) {
    TrialDirectory dir;
    dir.write("summary.txt", "earlier run\n");
    writeTrial(dir, toxicity, std::string("A 0 30 30\n") + GetParam().records);
    const ProgramRun run = dir.run({"1"});
    EXPECT_EQ(dataFailureText(run), "\n" + std::string(GetParam().message) + "\n");
    EXPECT_EQ(run.status, inputFailureStatus);
    EXPECT_EQ(dir.read("summary.txt"), "earlier run\n");
}

INSTANTIATE_TEST_SUITE_P(
    Checks, RecordCheck,
    ::testing::Values(
        RecordCase{"EventAfterWindow", "P7 1 30.5 40\n",
                   "For patient P7, event time is not allowed to be larger than maximum follow "
                   "up time you entered. Please re-enter!"},
        RecordCase{"EventAfterWindowBeforeBadIndicator", "P7 7 50 60\n",
                   "For patient P7, event time is not allowed to be larger than maximum follow "
                   "up time you entered. Please re-enter!"},
        RecordCase{"NegativeEventTime", "P7 0 -1 5\n",
                   "Invalid event time! Please check the data for patient P7"},
        RecordCase{"EventTimeNotANumber", "P7 0 nan 5\n",
                   "Invalid event time! Please check the data for patient P7"},
        RecordCase{"EventTimeNotNumeric", "P7 0 abc 5\n",
                   "Invalid event time! Please check the data for patient P7"},
        RecordCase{"EventTimeIncomplete", "P7 0 5x 5\n",
                   "Invalid event time! Please check the data for patient P7"},
        RecordCase{"NotEnrolled", "P7 0 0 0\n",
                   "For patient P7, follow-up time is 0 which indicates he/she has not been "
                   "enrolled. Please re-enter!"},
        RecordCase{"EventAfterFollowUp", "P7 1 10 5\n",
                   "For patient P7, event time is larger than follow-up time which is "
                   "impossible. Please re-enter!"},
        RecordCase{"NegativeFollowUp", "P7 0 3 -5\n",
                   "For patient P7, event time is larger than follow-up time which is "
                   "impossible. Please re-enter!"},
        RecordCase{"FollowUpNotANumber", "P7 0 3 nan\n",
                   "For patient P7, Invalid event time! Please re-enter!"},
        RecordCase{"FollowUpInfinite", "P7 0 3 inf\n",
                   "For patient P7, Invalid event time! Please re-enter!"},
        RecordCase{"IndicatorTwo", "P7 2 3 5\n",
                   "For patient P7, invalid response indicator! Only 0 or 1 is allowed. Please "
                   "check."},
        RecordCase{"IndicatorNegative", "P7 -1 3 5\n",
                   "For patient P7, invalid response indicator! Only 0 or 1 is allowed. Please "
                   "check."},
        RecordCase{"IndicatorNotWhole", "P7 1.0 3 5\n",
                   "For patient P7, invalid response indicator! Only 0 or 1 is allowed. Please "
                   "check."},
        RecordCase{"IndicatorHuge", "P7 99999999999 3 5\n",
                   "For patient P7, invalid response indicator! Only 0 or 1 is allowed. Please "
                   "check."},
        RecordCase{"RecordCutOff", "P7 1 3",
                   "For patient P7, the record is incomplete: the response indicator, event time "
                   "and follow-up time must follow the identifier. Please re-enter!"},
        RecordCase{"IdentifierOnly", "P7\n",
                   "For patient P7, the record is incomplete: the response indicator, event time "
                   "and follow-up time must follow the identifier. Please re-enter!"}),
    [](const ::testing::TestParamInfo<RecordCase>& info) { return info.param.name; });

TEST(PatientData, AcceptsTheBoundaries) {
    // t = 0, t = W, u = t and an event at W are all admitted; the run gets
    // past the data step (the report gets its run header).
    TrialDirectory dir;
    writeTrial(dir, toxicity, "A 0 0 0.5\nB 1 30 30\nC 0 12 12\nD 1 30 45\n");
    const ProgramRun run = dir.run({"1"}, "\n");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_NE(dir.read("summary.txt").find("Number of patients entered=4\n"), std::string::npos);
}

std::string patients(int count) {
    std::string records;
    for (int i = 0; i < count; ++i) {
        records += "P" + std::to_string(i) + " 0 30 30\n";
    }
    return records;
}

TEST(PatientData, FiveHundredPatientsFitAndTheFiveHundredAndFirstDoesNot) {
    TrialDirectory dir;
    writeTrial(dir, toxicity, patients(501));
    const ProgramRun run = dir.run({"1"});
    EXPECT_EQ(dataFailureText(run),
              "\nThe number of patients entered exceed the limits. Please only enter less or "
              "equal to 500 patients");
    EXPECT_EQ(run.status, inputFailureStatus);
    EXPECT_EQ(dir.read("summary.txt"), "");

    writeTrial(dir, toxicity, patients(500));
    const ProgramRun accepted = dir.run({"1"}, "\n");
    EXPECT_EQ(accepted.status, 0);
    EXPECT_NE(dir.read("summary.txt").find("Number of patients entered=500\n"), std::string::npos);
}

TEST(PatientData, OverLongWordsAreRejectedNeverCut) {
    TrialDirectory dir;
    const std::string longId(100, 'x');
    writeTrial(dir, toxicity, "A 0 30 30\n" + longId + " 0 30 30\n");
    ProgramRun run = dir.run({"1"});
    EXPECT_EQ(dataFailureText(run), "\nThe identifier of patient number 2 (" +
                                        longId.substr(0, 99) +
                                        "...) is longer than 99 characters or holds a NUL "
                                        "character. Please re-enter!\n");
    EXPECT_EQ(run.status, inputFailureStatus);

    writeTrial(dir, toxicity, std::string(99, 'y') + " 0 30 30\n");
    EXPECT_EQ(dir.run({"1"}, "\n").status, 0);

    dir.write(toxicity.dataFileName, "H TOXICITY_EVENT " + std::string(1000, 'h') + " x\n");
    run = dir.run({"1"});
    EXPECT_EQ(dataFailureText(run),
              "\nHeader word 3 of the data file (data_toxicity.txt) is longer than 999 "
              "characters. Please check the file.\n");
    EXPECT_EQ(run.status, inputFailureStatus);
}

TEST(PatientData, FilesWithoutAnEventLabelAreRejected) {
    TrialDirectory dir;
    writeTrial(dir, toxicity, "");
    dir.write(toxicity.dataFileName, " \n\t\n");
    ProgramRun run = dir.run({"1"});
    EXPECT_EQ(dataFailureText(run),
              "\nThe data file (data_toxicity.txt) is empty. It must start with four header "
              "words, the second being the event label.\n");
    EXPECT_EQ(run.status, inputFailureStatus);

    // A lone label must not pass for a header.
    dir.write(toxicity.dataFileName, "TOXICITY_EVENT\n");
    run = dir.run({"1"});
    EXPECT_EQ(dataFailureText(run),
              "\nThe data file (data_toxicity.txt) holds a single word and no event label. It "
              "must start with four header words, the second being the event label.\n");
    EXPECT_EQ(run.status, inputFailureStatus);
    EXPECT_EQ(dir.read("summary.txt"), "");
}

TEST(PatientData, MissingDataFile) {
    TrialDirectory dir;
    dir.write(toxicity.configFileName, configText(toxicity));
    const ProgramRun run = dir.run({"1"});
    EXPECT_EQ(dataFailureText(run), "The data file does not exist!\n");
    EXPECT_EQ(run.status, inputFailureStatus);
    EXPECT_TRUE(dir.exists("summary.txt"));
    EXPECT_EQ(dir.read("summary.txt"), "");
}

struct LabelCase {
    const TrialKind* kind;
    const char* label;
    const char* messageName;
};

TEST(EventLabel, WrongLabelEndsTheRunBeforeAnyRecord) {
    for (const LabelCase& c :
         {LabelCase{&toxicity, "TOXICITY_EVENTS", "toxicity_event"},
          LabelCase{&efficacy, "TOXICITY_EVENT", "efficacy_event"},
          LabelCase{&diseaseProgression, "EFFICACY_EVENT", "diseaseProgression_event"}}) {
        TrialDirectory dir;
        writeTrial(dir, *c.kind, "");
        dir.write(c.kind->dataFileName,
                  std::string("PatientData ") + c.label + " a b\nP1 7 -1 -1\n");
        const ProgramRun run = dir.run({c.kind->answer});
        const std::string message = "Event label in (" + c.kind->dataFileName +
                                    ") does not match the required version (" + c.messageName +
                                    "). This may be due to user error, please revise and make "
                                    "sure file is correct file.\n\n";
        EXPECT_EQ(run.out.substr(run.out.size() - std::min(run.out.size(), message.size())),
                  message);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(dir.read("summary.txt"), "");
    }
}

TEST(EventLabel, LetterCaseOfTheLabelDoesNotMatter) {
    TrialDirectory dir;
    writeTrial(dir, toxicity, "A 0 30 30\n");
    dir.write(toxicity.dataFileName, "PatientData Toxicity_Event a b\nA 0 30 30\n");
    EXPECT_EQ(dir.run({"1"}, "\n").status, 0);
}

}  // namespace
}  // namespace quillmere::testing
