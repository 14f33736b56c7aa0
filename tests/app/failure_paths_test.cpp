// Runs that end early or warn: the report file, the configuration block and
// the warning about a window part that no patient has been followed into.
#include <gtest/gtest.h>

#include <unistd.h>

#include "app/console_text.h"
#include "app/program_runner.h"
#include "app/trial_files.h"

namespace quillmere::testing {
namespace {

const std::string headToxicity = bannerText + confirmationText("TOXICITY.");

TEST(ReportFile, ThatCannotBeOpenedEndsTheRunWithStatusOne) {
    TrialDirectory dir;
    writeTrial(dir, toxicity, "A 0 30 30\n");
    std::filesystem::create_directory(dir.path() / "summary.txt");
    const ProgramRun run = dir.run({"1"});
    EXPECT_EQ(run.out, headToxicity + " can not open summary.txt\n");
    EXPECT_EQ(run.status, 1);
}

TEST(ReportFile, ThatCannotBeWrittenIsNeverReportedAsSuccess) {
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full on this machine";
    }
    TrialDirectory dir;
    writeTrial(dir, toxicity, "A 0 30 30\nB 1 3 30\n");
    std::filesystem::create_symlink("/dev/full", dir.path() / "summary.txt");
    const ProgramRun run = dir.run({"1"}, "x");
    EXPECT_EQ(run.status, 4);
    EXPECT_EQ(run.out.find("Execution has completed."), std::string::npos);
    EXPECT_NE(run.out.find("\nThe report file summary.txt could not be written completely (disk "
                           "full or write error): the decision of this run is not recorded in "
                           "it.\n"),
              std::string::npos)
        << run.out;
}

TEST(Configuration, SixKeysEndTheRunWithTheCountMessageOnly) {
    TrialDirectory dir;
    dir.write(toxicity.configFileName, configText(toxicity) + "Extra = 1\n");
    const ProgramRun run = dir.run({"1"});
    EXPECT_EQ(run.out, headToxicity +
                           "Number of entries in config file is not appropriate, should have (5) "
                           "entries, but (6) entries.\n\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(dir.exists("summary.txt"));
}

TEST(Configuration, MissingFileShowsTheWholeBlock) {
    TrialDirectory dir;
    const ProgramRun run = dir.run({"2"});
    const std::string path =
        (std::filesystem::canonical(dir.path()) / "TrialConfig_Efficacy.config").string();
    EXPECT_EQ(run.out, bannerText + confirmationText("EFFICACY.") + "Failure to load file (" +
                           path +
                           ").\n"
                           "Number of entries in config file is not appropriate, should have (5) "
                           "entries, but (0) entries.\n"
                           "Failure to find key in file (TrialType).\n"
                           "Type of event provided () is not appropriate. Limit inputs to "
                           "Toxicity, Efficacy, or DiseaseProgression\n"
                           "Failure to find key in file (RateBound).\n"
                           "Failure to find key in file (CutoffProbability).\n"
                           "Failure to find key in file (MaxEvaluationWindow).\n"
                           "Failure to find key in file (InputDataFileName).\n"
                           "Filename provided () is not appropriate. \n"
                           "Limit inputs to data_toxicity.txt, data_efficacy.txt, or "
                           "data_diseaseProgression.txt\n\n");
    EXPECT_EQ(run.status, 2);
    EXPECT_FALSE(dir.exists("summary.txt"));
}

TEST(Configuration, TrialTypeOfTheFileDecidesNotTheAnswer) {
    TrialDirectory dir;
    writeTrial(dir, efficacy, "A 1 3 30\nB 0 30 30\n");
    dir.write(toxicity.configFileName, configText(efficacy));
    const ProgramRun run = dir.run({"1"}, "x");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(dir.read("summary.txt").find("Lower bound of efficacy rate= 0.3"), std::string::npos);
}

// Twelve patients enrolled over the first 60 days of a 90-day window, none
// with a toxicity and none followed beyond day 60.
std::string earlyPatients() {
    std::string records;
    for (int i = 0; i < 12; ++i) {
        const std::string days = std::to_string(5 * (i + 1));
        records += "P" + std::to_string(i + 1) + " 0 " + days + " " + days + "\n";
    }
    return records;
}

const std::string priorOnlyWarning =
    "WARNING: no patient has been followed beyond time 60 of the evaluation window (90). From "
    "that time on the data say nothing: the outcomes imputed for pending patients, and so the "
    "probability, rest on the prior there.";

TEST(PriorOnlyWarning, ShownBeforeTheAdviceAndAfterTheDecisionBox) {
    TrialDirectory dir;
    writeTrial(dir, toxicity, earlyPatients(), "90");
    const ProgramRun run = dir.run({"1"}, "x");
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("\n\n" + priorOnlyWarning + "\n\nWe suggest to "), std::string::npos)
        << run.out;
    const std::string report = dir.read("summary.txt");
    EXPECT_NE(report.find(std::string(49, '*') + "\n\n" + priorOnlyWarning +
                          "\n\n---------------------The End---------------------\n"),
              std::string::npos)
        << report;
}

TEST(PriorOnlyWarning, AbsentWhenEveryPartOfTheWindowHoldsFollowUp) {
    TrialDirectory dir;
    writeTrial(dir, toxicity, earlyPatients() + "P13 0 90 95\n", "90");
    const ProgramRun run = dir.run({"1"}, "x");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.find("WARNING"), std::string::npos);
    EXPECT_EQ(dir.read("summary.txt").find("WARNING"), std::string::npos);
}

}  // namespace
}  // namespace quillmere::testing
