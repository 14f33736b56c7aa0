// Every kind of bad input a user can give quillmere-design, one case each,
// run through the built program in a directory that holds the results of
// earlier runs: the exit status, the exact messages, and that every file
// there (earlier results, shards, the design files, a stray replicates.csv)
// is byte for byte as it was, with nothing added.
#include <gtest/gtest.h>

#include <functional>

#include "design/design_test_support.h"
#include "design/replicate_file.h"
#include "design/trial_simulation.h"
#include "design_cli/design_program.h"

namespace quillmere::testing {
namespace {

namespace fs = std::filesystem;

const std::string trialDesign = designFileText(smallDesign(EventType::Toxicity));

DesignSettings otherDesign() {
    DesignSettings design = smallDesign(EventType::Toxicity);
    design.seed += 1;
    return design;
}

// The design file with the line of `key` replaced.
std::string withLine(const std::string& key, const std::string& line) {
    std::istringstream lines(trialDesign);
    std::string text;
    for (std::string current; std::getline(lines, current);) {
        text += (current.rfind(key + " =", 0) == 0 ? line : current) + "\n";
    }
    return text;
}

// A replicate file of the trial design with the given outcome lines.
std::string replicateFileWith(const std::string& lines) {
    std::ostringstream head;
    writeReplicateFile(head, smallDesign(EventType::Toxicity), {}, {0, 0});
    return head.str() + lines;
}

// The directory every case starts from, made once with the built program.
const fs::path& templateDirectory() {
    static const fs::path directory = [] {
        const fs::path root = freshDirectory("template");
        writeFile(root / "trial.design", trialDesign);
        writeFile(root / "other.design", designFileText(otherDesign()));
        writeFile(root / "notes.txt", "not a directory\n");
        for (const auto& arguments : std::vector<std::vector<std::string>>{
                 {"simulate", "trial.design", "--out", "results"},
                 {"boundaries", "trial.design", "--out", "results"},
                 {"simulate", "trial.design", "--replicates", "1-3", "--out", "shards/a"},
                 {"simulate", "trial.design", "--replicates", "4-6", "--out", "shards/b"},
                 {"simulate", "other.design", "--replicates", "1-6", "--out", "shards/other"},
                 {"simulate", "trial.design", "--out", "legacy"}}) {
            const ProgramOutput run = runDesignProgram(root, arguments);
            EXPECT_EQ(run.status, 0) << run.err;
        }
        // Results of an earlier version, which kept no record, and a stray
        // replicate file in the working directory.
        fs::remove(root / "legacy" / "quillmere-design-results.txt");
        fs::copy_file(root / "legacy" / "replicates.csv", root / "replicates.csv");
        fs::create_directories(root / "damaged");
        writeFile(root / "damaged" / "quillmere-design-results.txt", "scribbled over\n");
        fs::create_directories(root / "odd" / "stopping_by_look.svg");
        fs::create_directories(root / "empty");
        fs::create_directories(root / "locked");
        return root;
    }();
    return directory;
}

std::string usage(const std::string& command) {
    return "Run 'quillmere-design " + (command.empty() ? "" : command + " ") +
           "--help' for the usage.\n";
}

std::string otherKind(const std::string& directory, const std::string& kinds) {
    return "The output directory (" + directory + ") holds results of another kind (" + kinds +
           "). Give --force to replace them, or choose another directory.\n";
}

// The second line of dump's answer for a look the trial did not reach.
std::string looksRunLine(int scenario, int replicate) {
    std::vector<TrialData> work(1);
    std::vector<LookTrace> trace;
    simulateTrial({smallDesign(EventType::Toxicity), 1.0}, scenario - 1, replicate - 1, work[0],
                  &trace);
    std::string line = "Looks run in this trial:";
    for (const LookTrace& look : trace) {
        line += " " + std::to_string(look.look);
    }
    return line + (trace.empty() ? " none\n" : "\n");
}

struct BadInput {
    std::string name;
    std::vector<std::string> arguments;
    std::string err;
    // Changes the case's directory before the run (the change is part of
    // what must stay as it was).
    std::function<void(const fs::path&)> prepare = nullptr;
    int fileSizeBlocks = 0;
};

std::function<void(const fs::path&)> file(const std::string& name, const std::string& text) {
    return [=](const fs::path& directory) {
        fs::create_directories((directory / name).parent_path());
        writeFile(directory / name, text);
    };
}

std::vector<BadInput> badInputs() {
    const std::string design = "trial.design";
    const std::string twiceA =
        "Replicate 1 of scenario 1 appears twice (shards/a/replicates.csv).\n"
        "Replicate 2 of scenario 1 appears twice (shards/a/replicates.csv).\n"
        "Replicate 3 of scenario 1 appears twice (shards/a/replicates.csv).\n"
        "Replicate 1 of scenario 2 appears twice (shards/a/replicates.csv).\n"
        "Replicate 2 of scenario 2 appears twice (shards/a/replicates.csv).\n"
        "Replicate 3 of scenario 2 appears twice (shards/a/replicates.csv).\n";
    const std::string edited = "edited/replicates.csv";
    const std::vector<std::string> mergeEdited = {"merge", design, "--out", "merged", "edited"};
    return {
        // ---- the command line ----
        {"no words",
         {},
         "A command is needed: boundaries, simulate, calibrate, merge, dump, units, compare, "
         "report, stability and interim.\n" +
             usage("")},
        {"unknown command",
         {"frob", design},
         "Unknown command (frob). The commands are boundaries, simulate, calibrate, merge, dump, "
         "units, compare, report, stability and interim.\n" +
             usage("")},
        {"unknown program option", {"--frob"}, "Unknown option (--frob).\n" + usage("")},
        {"a word no command takes",
         {"simulate", design, "results"},
         "Unexpected word for simulate (results): simulate takes the design file and options "
         "only.\n" +
             usage("simulate")},
        {"unknown short option",
         {"boundaries", design, "-o", "x"},
         "Unknown option for boundaries (-o).\n" + usage("boundaries")},
        {"unknown long option",
         {"units", design, "--frob", "3"},
         "Unknown option for units (--frob).\n" + usage("units")},
        {"option of another command",
         {"boundaries", design, "--threads", "2"},
         "Unknown option for boundaries (--threads).\n" + usage("boundaries")},
        {"no design file",
         {"simulate"},
         "The simulate command needs a design file.\n" + usage("simulate")},
        {"option without value at the end",
         {"simulate", design, "--threads"},
         "The option (--threads) needs a value.\n" + usage("simulate")},
        {"option followed by another option",
         {"simulate", design, "--out", "--threads", "2"},
         "The option (--out) needs a value.\n" + usage("simulate")},
        {"empty value",
         {"simulate", design, "--out="},
         "The option (--out) needs a value.\n" + usage("simulate")},
        {"empty word as value",
         {"boundaries", design, "--out", ""},
         "The option (--out) needs a value.\n" + usage("boundaries")},
        {"option given twice",
         {"simulate", design, "--out", "a", "--out", "b"},
         "The option (--out) is given more than once.\n" + usage("simulate")},
        {"value for the force flag",
         {"simulate", design, "--force=yes"},
         "The option (--force) takes no value.\n" + usage("simulate")},
        {"merge without --out",
         {"merge", design, "shards/a"},
         "The merge command needs the option --out.\n" + usage("merge")},
        {"merge without shards",
         {"merge", design, "--out", "merged"},
         "The merge command needs at least one SHARD_DIR.\n" + usage("merge")},
        {"dump without --to",
         {"dump", design, "--scenario", "1", "--replicate", "1", "--look", "1"},
         "The dump command needs the option --to.\n" + usage("dump")},
        // ---- option values ----
        {"threads not a number",
         {"simulate", design, "--threads", "two"},
         "The number of threads (two) must be a whole number from 1 to 256.\n"},
        {"replicate range backwards",
         {"simulate", design, "--replicates", "5-3", "--out", "shard"},
         "The replicate range (5-3) must be A-B with 1 <= A <= B <= 6.\n"},
        {"unknown unit",
         {"units", design, "--units", "hours,fortnights"},
         "Unknown time unit (fortnights). Limit inputs to hours, days, weeks, months or years.\n"},
        {"no trials",
         {"units", design, "--trials", "0"},
         "The number of trials (0) must be a whole number from 1 to 10000000.\n"},
        {"more same looks than trials",
         {"units", design, "--same-looks", "7"},
         "The number of trials whose looks are compared (7) must be a whole number from 0 to "
         "6.\n"},
        {"window beyond the limits in another unit",
         {"units", "long.design", "--units", "hours"},
         "In hours: The MaxEvaluationWindow was set to (720000). This value is too large for the "
         "computation; it must lie within [1e-300, 700000].\n",
         file("long.design", withLine("MaxEvaluationWindow", "MaxEvaluationWindow = 30000"))},
        {"compare without the second design",
         {"compare", design, "--out", "cmp"},
         "The compare command needs one OTHER_FILE.\n" + usage("compare")},
        {"compare with a second design of other patients",
         {"compare", design, "other.design", "--out", "cmp"},
         "The two designs do not simulate the same patients, so their trials cannot be "
         "paired:\n  Seed differs: 987654321 and 987654322.\n"},
        {"compare with no trials",
         {"compare", design, design, "--trials", "0"},
         "The number of trials (0) must be a whole number from 1 to 10000000.\n"},
        {"dump of a scenario the design lacks",
         {"dump", design, "--scenario", "3", "--replicate", "1", "--look", "1", "--to", "look"},
         "dump needs --scenario (1 to 2), --replicate (1 to 6), --look (from 1) and --to DIR; "
         "--unit is one of hours, days, weeks, months, years.\n"},
        {"dump of a look the design lacks",
         {"dump", design, "--scenario", "1", "--replicate", "1", "--look", "9", "--to", "look"},
         "There is no look (9): the design has 4 looks.\n" + looksRunLine(1, 1)},
        // ---- the design file ----
        {"missing design file",
         {"boundaries", "absent.design"},
         "Failure to load file (absent.design).\n\n"},
        {"design file is a directory",
         {"boundaries", "shards"},
         "Failure to load file (shards).\n\n"},
        {"empty design file",
         {"boundaries", "empty.design"},
         "Failure to find key in file (TrialType).\nFailure to find key in file (RateBound).\n"
         "Failure to find key in file (CutoffProbability).\n"
         "Failure to find key in file (MaxEvaluationWindow).\n"
         "Failure to find key in file (MaxPatients).\nFailure to find key in file (AccrualRate).\n"
         "Failure to find key in file (FirstLook).\nFailure to find key in file (LookEvery).\n"
         "Failure to find key in file (TrueRates).\n"
         "Failure to find key in file (EventTimeShape).\nFailure to find key in file (Seed).\n\n",
         file("empty.design", "")},
        {"line without =",
         {"simulate", "bad.design"},
         "Line 13 of the design file is not of the form key = value (Trials 10).\n\n",
         file("bad.design", withLine("Trials", "Trials 10"))},
        {"line with a colon",
         {"simulate", "bad.design"},
         "Line 10 of the design file is not of the form key = value (MinCompleted: 5).\n\n",
         file("bad.design", withLine("MinCompleted", "MinCompleted: 5"))},
        {"UTF-16 design file",
         {"simulate", "bad.design"},
         "The design file is UTF-16 text; save it as UTF-8 or plain ASCII text.\n\n",
         file("bad.design", std::string("\xFF\xFET\0r\0", 6))},
        {"misspelt key",
         {"simulate", "bad.design"},
         "Failure to find key in file (Seed).\nUnknown key in design file (Sed).\n\n",
         file("bad.design", withLine("Seed", "Sed = 4"))},
        {"value not a number",
         {"simulate", "bad.design"},
         "The value of RateBound (0.3x) is not a number.\n\n",
         file("bad.design", withLine("RateBound", "RateBound = 0.3x"))},
        {"probability outside (0, 1)",
         {"simulate", "bad.design"},
         "The Cutoff Probability was set to (1). This value must lay within the open interval "
         "(0,1).\n\n",
         file("bad.design", withLine("CutoffProbability", "CutoffProbability = 1"))},
        {"first look at N",
         {"simulate", "bad.design"},
         "The FirstLook was set to (12). This value must be a whole number from 1 to 11.\n\n",
         file("bad.design", withLine("FirstLook", "FirstLook = 12"))},
        {"run-in no look reaches",
         {"simulate", "bad.design"},
         "The MinCompleted was set to (11). No look could ever run: the last look comes after 10 "
         "patients are enrolled, so no more outcomes than that are known at a look.\n\n",
         file("bad.design", withLine("MinCompleted", "MinCompleted = 11"))},
        {"accrual too slow to compute",
         {"simulate", "bad.design"},
         "The AccrualRate was set to (1e-310). This value is too small for the computation; it "
         "must lie within [0.000001, 1000000].\n\n",
         file("bad.design", withLine("AccrualRate", "AccrualRate = 1e-310"))},
        {"true rate outside (0, 1)",
         {"simulate", "bad.design"},
         "The TrueRates entry (1) must lay within the open interval (0,1).\n\n",
         file("bad.design", withLine("TrueRates", "TrueRates = 0.1, 1"))},
        // ---- the output directory ----
        {"output directory is a file",
         {"simulate", design, "--out", "notes.txt"},
         "The output directory (notes.txt) is not a directory.\n"},
        {"output directory inside a file",
         {"boundaries", design, "--out", "notes.txt/sub"},
         "The output directory (notes.txt/sub) cannot be created (Not a directory).\n"},
        {"shard into the results of a whole run",
         {"simulate", design, "--replicates", "1-3", "--out", "results"},
         otherKind("results", "simulate")},
        {"whole run into a shard",
         {"simulate", design, "--out", "shards/a"},
         otherKind("shards/a", "shard 1-3")},
        {"another shard into a shard",
         {"simulate", design, "--replicates", "4-6", "--out", "shards/a"},
         otherKind("shards/a", "shard 1-3")},
        {"results of another design",
         {"boundaries", "other.design", "--out", "results"},
         "The output directory (results) holds results of another design (simulate, "
         "boundaries). Give --force to replace them, or choose another directory.\n"},
        {"results no run recorded",
         {"simulate", design, "--out", "legacy"},
         "The output directory (legacy) holds files no run of quillmere-design recorded "
         "(replicates.csv, operating_characteristics.csv, stopping_by_look.csv, "
         "operating_characteristics.svg, stopping_by_look.svg, late_outcomes.csv, "
         "late_outcomes.svg). Give --force to replace them, or choose another directory.\n"},
        {"damaged record",
         {"simulate", design, "--out", "damaged"},
         "The output directory (damaged) holds a damaged record of its results "
         "(quillmere-design-results.txt). Give --force to replace them, or choose another "
         "directory.\n"},
        {"a directory where a result file goes",
         {"simulate", design, "--out", "odd", "--force"},
         "The output directory (odd) holds (stopping_by_look.svg), which is not a file; a result "
         "file goes there.\n"},
        {"merge into a shard's own folder",
         {"merge", design, "--out", "shards/a", "shards/a", "shards/b"},
         "The output directory (shards/a) holds (replicates.csv), an input of this run; choose "
         "another directory.\n"},
        {"merge into a shard's own folder, forced",
         {"merge", design, "--out", "shards/b", "shards/a", "shards/b", "--force"},
         "The output directory (shards/b) holds (replicates.csv), an input of this run; choose "
         "another directory.\n"},
        {"a write fails on the fourth result file",
         {"simulate", design, "--out", "results"},
         "simulate: 12 of 12 trials (100%), 0.1 s\n"
         "Failure to write the results into (results).\n",
         nullptr,
         2},
        // ---- the shards of merge ----
        {"shard of another design",
         {"merge", design, "--out", "merged", "shards/a", "shards/other"},
         "The replicate file (shards/other/replicates.csv) belongs to another design.\n"},
        {"replicates given twice",
         {"merge", design, "--out", "merged", "shards/a", "shards/a", "shards/b"},
         twiceA},
        {"missing replicates",
         {"merge", design, "--out", "merged", "shards/a"},
         "Replicate 4 of scenario 1 is missing.\n"},
        {"shard folder without a replicate file",
         {"merge", design, "--out", "merged", "empty"},
         "Failure to read replicate file (empty/replicates.csv).\n"},
        {"not a replicate file",
         {"merge", design, "--out", "merged", "notes.txt"},
         "Failure to read replicate file (notes.txt).\n"},
        {"more patients than N", mergeEdited,
         "In (" + edited +
             ") line 4, field enrolled: (13) is not a number of patients of the "
             "design (1 to 12).\n",
         file(edited, replicateFileWith("1,1,0,13,50,4,3,0\n"))},
        {"negative duration", mergeEdited,
         "In (" + edited + ") line 4, field duration: (-2.5) is negative.\n",
         file(edited, replicateFileWith("1,1,0,12,-2.5,4,3,0\n"))},
        {"stop look with every patient enrolled", mergeEdited,
         "In (" + edited +
             ") line 4, field enrolled: (12), but a trial stopped at look 2 has 6 "
             "patients enrolled.\n",
         file(edited, replicateFileWith("1,1,2,12,50,2,3,0\n"))},
        {"stop look beyond the schedule", mergeEdited,
         "In (" + edited +
             ") line 4, field stop_look: (5) is not a look of the design (0 for "
             "none, 1 to 4).\n",
         file(edited, replicateFileWith("1,1,5,12,50,4,3,0\n"))},
        {"line with a field missing", mergeEdited,
         "In (" + edited + ") line 4: 7 fields where there should be 8.\n",
         file(edited, replicateFileWith("1,1,0,12,50,4,3\n"))},
    };
}

class BadInputMatrix : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadInputMatrix, NamesTheProblemAndLeavesEveryFileAsItWas) {
    const BadInput& input = GetParam();
    const fs::path directory = freshDirectory("case");
    fs::copy(templateDirectory(), directory, fs::copy_options::recursive);
    if (input.prepare) {
        input.prepare(directory);
    }
    const std::map<std::string, std::string> before = treeOf(directory);
    const ProgramOutput run = runDesignProgram(directory, input.arguments, input.fileSizeBlocks);
    EXPECT_EQ(run.status, 1);
    // The progress line carries a time; a run that simulated shows it first.
    std::string err = run.err;
    if (input.err.rfind("simulate: ", 0) == 0 && err.rfind("simulate: ", 0) == 0) {
        err = input.err.substr(0, input.err.find('\n')) + err.substr(err.find('\n'));
    }
    EXPECT_EQ(err, input.err);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(treeOf(directory), before);
}

TEST(BadInputMatrix, LockedOutputDirectoryFailsBeforeAnyWork) {
    const fs::path directory = freshDirectory("locked-case");
    fs::copy(templateDirectory(), directory, fs::copy_options::recursive);
    const std::map<std::string, std::string> before = treeOf(directory);
    const UnwritableDirectory locked(directory / "locked");
    if (!locked.active()) {
        GTEST_SKIP() << "this host cannot make a directory unwritable";
    }
    const ProgramOutput run =
        runDesignProgram(directory, {"simulate", "trial.design", "--out", "locked"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "The output directory (locked) is not writable (" + locked.reason() +
                           ").\n");  // no progress line: nothing was simulated
    EXPECT_EQ(treeOf(directory), before);
}

std::string caseName(const ::testing::TestParamInfo<BadInput>& info) {
    std::string name;
    for (const char c : info.param.name) {
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(EveryKind, BadInputMatrix, ::testing::ValuesIn(badInputs()), caseName);

TEST(BadInputMatrix, CoversAtLeastFortyKinds) {
    EXPECT_GE(badInputs().size() + 1, 40u);  // with the locked directory
}

}  // namespace
}  // namespace quillmere::testing
