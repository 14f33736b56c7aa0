#include <gtest/gtest.h>

#include <sstream>

#include "design/design_test_support.h"
#include "design/replicate_file.h"

namespace quillmere {
namespace {

// The small design: 12 patients, looks after 4, 6, 8 and 10, two scenarios
// of six trials.
const DesignSettings design = testing::smallDesign(EventType::Toxicity);

std::string fileWith(const std::string& lines) {
    std::ostringstream head;
    writeReplicateFile(head, design, {}, {0, 0});
    return head.str() + lines;
}

ReplicateFileContent read(const std::string& text) {
    std::istringstream in(text);
    return readReplicateFile(in, "shard.csv", design);
}

TEST(ReplicateFile, ReadsBackWhatItWrites) {
    ScenarioOutcomes outcomes(2, std::vector<TrialOutcome>(2));
    outcomes[0][0] = {0, 12, 51.25, 4, 9, 1};
    outcomes[0][1] = {2, 6, 20.0 / 3, 1, 2, 0};
    outcomes[1][0] = {1, 4, 0.1, 1, 4, 1};
    outcomes[1][1] = {4, 10, 1e-300, 3, 30, 3};
    std::ostringstream file;
    writeReplicateFile(file, design, outcomes, {3, 4});
    const ReplicateFileContent content = read(file.str());
    ASSERT_EQ(content.problems, std::vector<std::string>{});
    ASSERT_EQ(content.lines.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const ReplicateLine& line = content.lines[i];
        const TrialOutcome& expected = outcomes[i / 2][i % 2];
        EXPECT_EQ(line.scenario, static_cast<int>(i / 2) + 1);
        EXPECT_EQ(line.replicate, static_cast<int>(i % 2) + 4);
        EXPECT_EQ(line.outcome.stopLook, expected.stopLook);
        EXPECT_EQ(line.outcome.enrolled, expected.enrolled);
        EXPECT_EQ(line.outcome.duration, expected.duration);  // to the bit
        EXPECT_EQ(line.outcome.looksRun, expected.looksRun);
        EXPECT_EQ(line.outcome.pendingAtLooks, expected.pendingAtLooks);
        EXPECT_EQ(line.outcome.priorOnlyLooks, expected.priorOnlyLooks);
    }
}

// A shard saved by an editor with CR LF line ends, or with a blank line at
// the end, is the same shard.
TEST(ReplicateFile, AcceptsCarriageReturnsAndBlankLines) {
    std::string crlf;
    for (const char c : fileWith("1,1,0,12,50.5,4,3,0\n\n1,2,2,6,20,1,2,0\n")) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    const ReplicateFileContent content = read(crlf + "\r\n");
    EXPECT_EQ(content.problems, std::vector<std::string>{});
    EXPECT_EQ(content.lines.size(), 2u);
}

// Hand-edited or damaged lines would distort the figures: each one is named
// with its line and field, and left out.
TEST(ReplicateFile, NamesTheLineAndFieldOfEveryImplausibleOutcome) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1,3,0,13,50,4,3,0",
         "field enrolled: (13) is not a number of patients of the design "
         "(1 to 12)"},
        {"1,3,0,11,50,4,3,0",
         "field enrolled: (11), but a trial that does not stop enrols all "
         "12 patients"},
        {"1,3,4,12,50,4,3,0",
         "field enrolled: (12), but a trial stopped at look 4 has 10 "
         "patients enrolled"},
        {"1,3,0,12,-0.5,4,3,0", "field duration: (-0.5) is negative"},
        {"1,3,0,12,nan,4,3,0", "field duration: (nan) is not a finite number"},
        {"1,3,0,12,1e999,4,3,0", "field duration: (1e999) is not a finite number"},
        {"1,3,5,12,50,4,3,0",
         "field stop_look: (5) is not a look of the design (0 for none, 1 "
         "to 4)"},
        {"1,3,-1,12,50,4,3,0",
         "field stop_look: (-1) is not a look of the design (0 for none, "
         "1 to 4)"},
        {"3,3,0,12,50,4,3,0", "field scenario: (3) is not a scenario of the design (1 to 2)"},
        {"1,7,0,12,50,4,3,0", "field replicate: (7) is not a replicate of the design (1 to 6)"},
        {"1,3,0,12,50,5,3,0", "field looks_run: (5), but the trial can run 0 to 4 looks"},
        {"1,3,2,6,50,0,0,0", "field looks_run: (0), but the trial can run 1 to 2 looks"},
        {"1,3,0,12,50,4,41,0",
         "field pending_at_looks: (41), but 4 looks hold 0 to 40 pending "
         "patients"},
        {"1,3,0,12,50,2,3,3", "field prior_only_looks: (3), but the trial ran 2 looks"},
        {"1,3,x,12,50,4,3,0", "field stop_look: (x) is not a whole number"},
        {"1, 3,0,12,50,4,3,0", "field replicate: ( 3) is not a whole number"},
        {"1,3,0,12,50,4,3", "7 fields where there should be 8"},
        {"1,3,0,12,50,4,3,0,", "9 fields where there should be 8"},
    };
    for (const auto& [line, problem] : cases) {
        const ReplicateFileContent content = read(fileWith("1,1,0,12,50.5,4,3,0\n" + line + "\n"));
        EXPECT_EQ(content.lines.size(), 1u) << line;
        const std::string separator = problem.rfind("field", 0) == 0 ? ", " : ": ";
        EXPECT_EQ(content.problems,
                  std::vector<std::string>{"In (shard.csv) line 5" + separator + problem + "."})
            << line;
    }
}

TEST(ReplicateFile, RefusesFilesOfAnotherKindOrDesign) {
    EXPECT_EQ(read("# quillmere-design replicates\n").problems,
              std::vector<std::string>{"Failure to read replicate file (shard.csv)."});
    EXPECT_EQ(read("scenario,replicate\n1,2\n3,4\n").problems,
              std::vector<std::string>{
                  "The file (shard.csv) is not a replicate file of quillmere-design."});
    DesignSettings other = design;
    other.trials = 7;
    std::ostringstream otherFile;
    writeReplicateFile(otherFile, other, {}, {0, 0});
    EXPECT_EQ(
        read(otherFile.str()).problems,
        std::vector<std::string>{"The replicate file (shard.csv) belongs to another design."});
    std::string renamed = fileWith("");
    renamed.replace(renamed.find("stop_look"), 9, "stoplook");
    EXPECT_EQ(read(renamed).problems,
              std::vector<std::string>{
                  "In (shard.csv) line 3: the column header is not "
                  "scenario,replicate,stop_look,enrolled,duration,looks_run,pending_at_looks,"
                  "prior_only_looks."});
}

TEST(ReplicateFile, ListsTenProblemsAndCountsTheRest) {
    std::string lines;
    for (int i = 0; i < 25; ++i) {
        lines += "not,a,line\n";
    }
    const ReplicateFileContent content = read(fileWith(lines));
    ASSERT_EQ(content.problems.size(), 11u);
    EXPECT_EQ(content.problems[9], "In (shard.csv) line 13: 3 fields where there should be 8.");
    EXPECT_EQ(content.problems[10], "15 more lines of (shard.csv) have problems.");
}

}  // namespace
}  // namespace quillmere
