// Two rules on the same replicates: the paired differences of every operating
// characteristic and their standard errors.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <sstream>

#include "design/design_test_support.h"
#include "design/rule_comparison.h"

namespace quillmere {
namespace {

using testing::freshDirectory;
using testing::readText;
using testing::runTool;
using testing::smallDesign;
using testing::writeDesignFile;

std::vector<std::vector<std::string>> csvRows(const std::filesystem::path& file) {
    std::istringstream lines(readText(file));
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::getline(lines, line);  // the header
    while (std::getline(lines, line)) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');) {
            fields.push_back(cell);
        }
        rows.push_back(fields);
    }
    return rows;
}

TEST(PairedDifference, MeansAndRatiosOnAHandExample) {
    // Plain means: per-trial differences 0, 1, 0, -1.
    const RatioSample a{{1, 0, 1, 1}, {1, 1, 1, 1}};
    const RatioSample b{{1, 1, 1, 0}, {1, 1, 1, 1}};
    const PairedDifference mean = pairedDifference(a, b);
    EXPECT_EQ(mean.first, 0.75);
    EXPECT_EQ(mean.second, 0.75);
    EXPECT_EQ(mean.difference, 0.0);
    EXPECT_NEAR(mean.error, std::sqrt(2.0 / 3.0) / 2, 1e-15);

    // Ratios 5/6 under both; linearised terms (num - 5/6 den) / 2 differ by
    // -1/12, 1/12 and 0.
    const PairedDifference ratio = pairedDifference({{2, 0, 3}, {2, 1, 3}}, {{1, 1, 3}, {1, 2, 3}});
    EXPECT_DOUBLE_EQ(ratio.first, 5.0 / 6.0);
    EXPECT_DOUBLE_EQ(ratio.second, 5.0 / 6.0);
    EXPECT_NEAR(ratio.error, (1.0 / 12.0) / std::sqrt(3.0), 1e-15);

    // No denominators at all (no looks run): 0, as the summaries give it.
    const PairedDifference none = pairedDifference({{0, 0}, {0, 0}}, {{0, 0}, {0, 0}});
    EXPECT_EQ(none.first, 0.0);
    EXPECT_EQ(none.error, 0.0);
}

TEST(Compare, ARuleAgainstItselfDiffersInNothing) {
    const std::string file = writeDesignFile(smallDesign(EventType::Efficacy), "cmp-same");
    const auto out = freshDirectory("cmp-same-out");
    const testing::ToolRun run =
        runTool({"compare", file, file, "--threads", "2", "--out", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("the same rule"), std::string::npos);
    const auto rows = csvRows(out / "compare.csv");
    ASSERT_EQ(rows.size(), 12u);  // six characteristics of two rates
    for (const auto& row : rows) {
        EXPECT_EQ(row[4], row[5]) << row[3];
        EXPECT_EQ(row[6], "0") << row[3];
        EXPECT_EQ(row[7], "0") << row[3];
    }
}

// Each side of the comparison is what simulate reports for that design.
TEST(Compare, EachRuleGivesWhatSimulateGivesForIt) {
    const DesignSettings a = smallDesign(EventType::Toxicity);
    DesignSettings b = a;
    b.hazardPriorShape = 1.0;
    b.hazardRange = HazardRange::Window;
    b.firstLook = 5;
    const std::string fileA = writeDesignFile(a, "cmp-a");
    const std::string fileB = writeDesignFile(b, "cmp-b");
    const auto out = freshDirectory("cmp-out");
    const testing::ToolRun run = runTool({"compare", fileA, fileB, "--out", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("differs in FirstLook 5 (A: 4), HazardPriorShape 1 (A: 0), "
                           "HazardRange window (A: unit)"),
              std::string::npos);
    std::map<std::string, std::vector<std::vector<std::string>>> simulated;
    for (const auto& [name, file] : {std::pair{"a", fileA}, std::pair{"b", fileB}}) {
        const auto directory = freshDirectory(std::string("cmp-sim-") + name);
        ASSERT_EQ(runTool({"simulate", file, "--out", directory.string()}).status, 0);
        simulated[name] = csvRows(directory / "operating_characteristics.csv");
    }
    // operating_characteristics.csv: scenario, true rate, trials, then
    // P(early stop), its s.e., E[patients], s.e., E[duration], s.e., looks,
    // pending per look, prior-only share.
    const std::map<std::string, int> column{
        {"early_stop_probability", 3}, {"expected_patients", 5},
        {"expected_duration", 7},      {"mean_looks_run", 9},
        {"mean_pending_per_look", 10}, {"prior_only_look_share", 11}};
    const auto rows = csvRows(out / "compare.csv");
    ASSERT_EQ(rows.size(), 12u);
    for (const auto& row : rows) {
        const int scenario = std::stoi(row[0]) - 1;
        EXPECT_EQ(row[4], simulated["a"][scenario][column.at(row[3])]) << row[3];
        EXPECT_EQ(row[5], simulated["b"][scenario][column.at(row[3])]) << row[3];
    }
    // Stopping by enrolment: the looks of both schedules (4, 5, 6, ..., 10,
    // 11), and for each rule they add up to its probability of early stop.
    const auto stopping = csvRows(out / "compare_stopping.csv");
    ASSERT_EQ(stopping.size(), 2u * 8u);
    for (int scenario = 0; scenario < 2; ++scenario) {
        double sumA = 0.0;
        double sumB = 0.0;
        for (int row = 0; row < 8; ++row) {
            EXPECT_EQ(stopping[8 * scenario + row][2], std::to_string(row + 4));
            sumA += std::stod(stopping[8 * scenario + row][3]);
            sumB += std::stod(stopping[8 * scenario + row][4]);
        }
        EXPECT_NEAR(sumA, std::stod(simulated["a"][scenario][3]), 1e-7);
        EXPECT_NEAR(sumB, std::stod(simulated["b"][scenario][3]), 1e-7);
    }
}

TEST(Compare, RefusesDesignsThatDoNotSimulateTheSamePatients) {
    DesignSettings other = smallDesign(EventType::Toxicity);
    other.maxPatients = 14;
    other.seed = 5;
    const testing::ToolRun run =
        runTool({"compare", writeDesignFile(smallDesign(EventType::Toxicity), "cmp-p1"),
                 writeDesignFile(other, "cmp-p2"), "--out", freshDirectory("cmp-p").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "The two designs do not simulate the same patients, so their trials cannot be "
              "paired:\n  MaxPatients differs: 12 and 14.\n  Seed differs: 987654321 and 5.\n");
    const testing::ToolRun alone =
        runTool({"compare", writeDesignFile(smallDesign(EventType::Toxicity), "cmp-alone")});
    EXPECT_EQ(alone.status, 1);
    EXPECT_EQ(alone.err,
              "The compare command needs one OTHER_FILE.\n"
              "Run 'quillmere-design compare --help' for the usage.\n");
    const std::string design = writeDesignFile(smallDesign(EventType::Toxicity), "cmp-three");
    const testing::ToolRun three = runTool({"compare", design, design, design});
    EXPECT_EQ(three.status, 1);
    EXPECT_EQ(three.err, "Unexpected word for compare (" + design +
                             "): compare takes one OTHER_FILE.\n"
                             "Run 'quillmere-design compare --help' for the usage.\n");
}

}  // namespace
}  // namespace quillmere
