// The interim command on input it refuses: every kind of trial directory
// quillmere refuses gives quillmere's own message and exit status and no
// page; bad options are named; an existing page is replaced only with
// --force, whole, and nothing else in its directory is touched.
#include <gtest/gtest.h>

#include "design/design_test_support.h"
#include "design_cli/design_program.h"

namespace quillmere::testing {
namespace {

namespace fs = std::filesystem;

const std::string soundConfig =
    "TrialType = Toxicity\nRateBound = 0.3\nCutoffProbability = 0.9\nMaxEvaluationWindow = 30\n"
    "InputDataFileName = data_toxicity.txt\n";
const std::string header = "PatientData TOXICITY_EVENT Time FollowUp\n";

std::string configWith(const std::string& key, const std::string& value) {
    std::istringstream lines(soundConfig);
    std::string text;
    for (std::string line; std::getline(lines, line);) {
        text += (line.rfind(key + " =", 0) == 0 ? key + " = " + value : line) + "\n";
    }
    return text;
}

std::string patients(int count) {
    std::string records = header;
    for (int i = 0; i < count; ++i) {
        records += "P" + std::to_string(i + 1) + " 0 30 30\n";
    }
    return records;
}

struct Refused {
    std::string name;
    std::optional<std::string> config;  // none: no configuration file
    std::optional<std::string> data;    // none: no data file
};

// One case of each kind the console program's matrix refuses.
const std::vector<Refused> refused = {
    {"NoConfiguration", std::nullopt, header + "A 0 30 30\n"},
    {"EmptyConfiguration", "", header + "A 0 30 30\n"},
    {"ExtraKey", soundConfig + "Comment = extra\n", header + "A 0 30 30\n"},
    {"MissingKeys", "TrialType = Toxicity\n", header + "A 0 30 30\n"},
    {"UnknownType", configWith("TrialType", "Safety"), header + "A 0 30 30\n"},
    {"RateBoundOutOfRange", configWith("RateBound", "2"), header + "A 0 30 30\n"},
    {"CutoffNotANumber", configWith("CutoffProbability", "high"), header + "A 0 30 30\n"},
    {"WindowNegative", configWith("MaxEvaluationWindow", "-3"), header + "A 0 30 30\n"},
    {"WindowTooLarge", configWith("MaxEvaluationWindow", "1e300"), header + "A 0 30 30\n"},
    {"UnknownDataFileName", configWith("InputDataFileName", "../data_toxicity.txt"),
     header + "A 0 30 30\n"},
    {"NoDataFile", soundConfig, std::nullopt},
    {"EmptyDataFile", soundConfig, ""},
    {"WrongLabel", soundConfig, "PatientData EFFICACY_EVENT Time FollowUp\nA 0 30 30\n"},
    {"SingleWord", soundConfig, "PatientData"},
    {"RecordTruncated", soundConfig, header + "A 0 30 30\nB 0 30"},
    {"IdentifierTooLong", soundConfig, header + std::string(100, 'I') + " 0 30 30\n"},
    {"EventTimeNegative", soundConfig, header + "A 0 -1 30\n"},
    {"EventTimeBeyondFollowUp", soundConfig, header + "A 1 40 40\n"},
    {"FollowUpNaN", soundConfig, header + "A 0 3 nan\n"},
    {"FollowUpZero", soundConfig, header + "A 0 0 0\n"},
    {"ResponseTwo", soundConfig, header + "A 2 3 30\n"},
    {"ResponseNotWhole", soundConfig, header + "A 0.5 3 30\n"},
    {"Patients501", soundConfig, patients(501)},
};

void PrintTo(const Refused& value, std::ostream* out) {
    *out << value.name;
}

class RefusedTrial : public ::testing::TestWithParam<Refused> {};

// quillmere's console text after its banner and the confirmation of the answer.
std::string afterConfirmation(const std::string& console) {
    const std::string confirmation = "You have chosen make a decision based upon ";
    const std::size_t at = console.find(confirmation);
    return at == std::string::npos ? console : console.substr(console.find("\n\n\n", at) + 3);
}

TEST_P(RefusedTrial, GivesQuillmeresMessageAndStatusAndNoPage) {
    const Refused& c = GetParam();
    const fs::path work = freshDirectory("interim-refused-" + c.name);
    const fs::path trial = work / "trial";
    fs::create_directories(trial);
    if (c.config) {
        writeText(trial / "TrialConfig_Toxicity.config", *c.config);
    }
    if (c.data) {
        writeText(trial / "data_toxicity.txt", *c.data);
    }
    const auto before = treeOf(work);
    const ProgramOutput run = runDesignProgram(
        work, {"interim", fs::canonical(trial).string(), "--answer", "1", "--runs", "2"});
    EXPECT_EQ(treeOf(work), before);  // no page, nothing in the trial directory

    const ConsoleRun console = runQuillmere(trial, '1');
    ASSERT_NE(console.status, 0);
    EXPECT_EQ(run.status, console.status);
    EXPECT_EQ(run.out, afterConfirmation(readText(trial / "console.txt")));
    EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(EveryKind, RefusedTrial, ::testing::ValuesIn(refused),
                         [](const ::testing::TestParamInfo<Refused>& info) {
                             return info.param.name;
                         });

fs::path soundTrial(const std::string& name) {
    const fs::path work = freshDirectory(name);
    fs::create_directories(work / "trial");
    writeText(work / "trial" / "TrialConfig_Toxicity.config", soundConfig);
    writeText(work / "trial" / "data_toxicity.txt", header + "A 0 30 30\nB 1 4 20\nC 0 9 9\n");
    return work;
}

TEST(InterimCommand, NamesEachBadOption) {
    const fs::path work = soundTrial("interim-options");
    const auto before = treeOf(work);
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--answer", "4"},
         "The answer (4) must be 1 (toxicity), 2 (efficacy) or 3 (disease progression).\n"},
        {{"--answer", "1", "--runs", "1"},
         "The number of runs (1) must be a whole number from 2 to 1000000.\n"},
        {{"--answer", "1", "--seed", "-1"},
         "The seed (-1) must be a whole number from 0 to 18446744073709551615.\n"},
        {{"--answer", "1", "--sensitivity", "1:days"},
         "The hazard model (1:days) must be SHAPE:RANGE, a prior shape from 0 to 100 and the "
         "range unit or window.\n"},
        {{"--answer", "1", "--sensitivity", "0.5:unit,"},
         "The hazard model () must be SHAPE:RANGE, a prior shape from 0 to 100 and the range "
         "unit or window.\n"},
        {{"--answer", "1", "--out", "trial/data_toxicity.txt", "--force"},
         "The output directory (trial) holds (data_toxicity.txt), an input of this run; choose "
         "another directory.\n"},
        {{"--answer", "1", "--out", "trial/summary.txt", "--force"},
         "The output file (trial/summary.txt) is quillmere's report of the trial; choose another "
         "file.\n"},
        {{"--answer", "1", "--out", "./trial/../trial/summary.txt"},
         "The output file (./trial/../trial/summary.txt) is quillmere's report of the trial; "
         "choose another file.\n"},
    };
    for (const auto& [options, message] : cases) {
        std::vector<std::string> words = {"interim", "trial"};
        words.insert(words.end(), options.begin(), options.end());
        const ProgramOutput run = runDesignProgram(work, words);
        EXPECT_EQ(run.status, 1) << message;
        EXPECT_EQ(run.err, message);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(treeOf(work), before) << message;
    }
}

TEST(InterimCommand, ReplacesAnExistingPageOnlyWithForce) {
    const fs::path work = soundTrial("interim-force");
    // A directory with the results of another run and an earlier look's page.
    fs::create_directories(work / "pages");
    writeText(work / "pages" / "quillmere-design-results.txt",
              "# quillmere-design: which run wrote which files of this directory\n"
              "design: something else\nboundaries: boundaries.csv\n");
    writeText(work / "pages" / "boundaries.csv", "n,boundary\n");
    writeText(work / "pages" / "look.html", "the earlier look\n");
    const auto before = treeOf(work);
    const std::vector<std::string> words = {"interim", "trial", "--answer", "1",
                                            "--runs",  "2",     "--out",    "pages/look.html"};
    const ProgramOutput refused = runDesignProgram(work, words);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err,
              "The output file (pages/look.html) exists. Give --force to replace it, or choose "
              "another file.\n");
    EXPECT_EQ(treeOf(work), before);

    std::vector<std::string> forced = words;
    forced.push_back("--force");
    const ProgramOutput replaced = runDesignProgram(work, forced);
    ASSERT_EQ(replaced.status, 0) << replaced.err;
    auto after = treeOf(work);
    EXPECT_EQ(after["pages/look.html"].rfind("<!DOCTYPE html>", 0), 0u);
    after["pages/look.html"] = before.at("pages/look.html");
    EXPECT_EQ(after, before);  // the other results, their record and the trial as they were

    // Another look's page beside it needs no --force and leaves the first.
    const std::string first = readFile(work / "pages" / "look.html");
    const ProgramOutput second = runDesignProgram(
        work, {"interim", "trial", "--answer", "1", "--runs", "2", "--out", "pages/next.html"});
    ASSERT_EQ(second.status, 0) << second.err;
    EXPECT_EQ(readFile(work / "pages" / "look.html"), first);
    // The same trial gives the same page, but for the name in its command.
    std::string next = readFile(work / "pages" / "next.html");
    const std::size_t name = next.find("--out next.html");
    ASSERT_NE(name, std::string::npos);
    EXPECT_EQ(next.replace(name, 15, "--out look.html"), first);
}

}  // namespace
}  // namespace quillmere::testing
