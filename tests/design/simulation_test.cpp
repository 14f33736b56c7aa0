#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "design/design_test_support.h"
#include "design/operating_characteristics.h"
#include "design/simulation_runner.h"
#include "design_cli/simulation_report.h"

namespace quillmere {
namespace {

using testing::directoryFiles;
using testing::freshDirectory;
using testing::runTool;
using testing::writeDesignFile;

TEST(Simulation, OutputIsTheSameForOneAndTwoThreads) {
    const std::string file = writeDesignFile(testing::smallDesign(EventType::Toxicity), "threads");
    const auto one = freshDirectory("threads-1");
    const auto two = freshDirectory("threads-2");
    const testing::ToolRun first = runTool({"simulate", file, "--threads", "1", "--out", one});
    const testing::ToolRun second = runTool({"simulate", file, "--threads", "2", "--out", two});
    ASSERT_EQ(first.status, 0) << first.err;
    ASSERT_EQ(second.status, 0) << second.err;
    // The console tables agree; only the directory named at the end differs.
    EXPECT_EQ(first.out.substr(0, first.out.find("Written into")),
              second.out.substr(0, second.out.find("Written into")));
    const auto files = directoryFiles(one);
    EXPECT_EQ(files.size(), 8u);  // seven results and the record of the run
    EXPECT_EQ(files, directoryFiles(two));
}

// The engine steps of the console run open summary.txt; the design tool calls
// the computation alone and leaves its working directory as it was.
TEST(Simulation, NeverWritesAReportIntoTheWorkingDirectory) {
    const std::string file =
        writeDesignFile(testing::smallDesign(EventType::Efficacy), "no-report");
    const auto workingDirectory = freshDirectory("no-report-cwd");
    const auto out = freshDirectory("no-report-out");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(workingDirectory);
    const int status = runTool({"simulate", file, "--out", out}).status;
    std::filesystem::current_path(previous);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(std::filesystem::is_empty(workingDirectory));
    EXPECT_FALSE(std::filesystem::exists(out / "summary.txt"));
}

TEST(Simulation, MergedShardsGiveTheResultOfOneRun) {
    const std::string file =
        writeDesignFile(testing::smallDesign(EventType::DiseaseProgression), "shards");
    const auto whole = freshDirectory("shards-whole");
    const auto shardA = freshDirectory("shards-a");
    const auto shardB = freshDirectory("shards-b");
    const auto merged = freshDirectory("shards-merged");
    ASSERT_EQ(runTool({"simulate", file, "--threads", "2", "--out", whole}).status, 0);
    ASSERT_EQ(runTool({"simulate", file, "--replicates", "4-6", "--out", shardB}).status, 0);
    ASSERT_EQ(runTool({"simulate", file, "--replicates", "1-3", "--out", shardA}).status, 0);
    const testing::ToolRun merge = runTool({"merge", file, "--out", merged, shardB, shardA});
    ASSERT_EQ(merge.status, 0) << merge.err;
    EXPECT_EQ(directoryFiles(merged), directoryFiles(whole));

    // A shard given twice, or one missing, is refused.
    const testing::ToolRun twice = runTool({"merge", file, "--out", merged, shardA, shardA});
    EXPECT_NE(twice.status, 0);
    EXPECT_NE(twice.err.find("Replicate 1 of scenario 1 appears twice"), std::string::npos);
    const testing::ToolRun missing = runTool({"merge", file, "--out", merged, shardA});
    EXPECT_NE(missing.status, 0);
    EXPECT_NE(missing.err.find("Replicate 4 of scenario 1 is missing."), std::string::npos);
}

TEST(Simulation, AShardSavedWithCarriageReturnsMergesTheSame) {
    const std::string file =
        writeDesignFile(testing::smallDesign(EventType::Efficacy), "crlf-shards");
    const auto whole = freshDirectory("crlf-whole");
    const auto shardA = freshDirectory("crlf-a");
    const auto shardB = freshDirectory("crlf-b");
    ASSERT_EQ(runTool({"simulate", file, "--out", whole}).status, 0);
    ASSERT_EQ(runTool({"simulate", file, "--replicates", "1-2", "--out", shardA}).status, 0);
    ASSERT_EQ(runTool({"simulate", file, "--replicates", "3-6", "--out", shardB}).status, 0);
    std::string crlf;
    for (const char c : testing::readText(shardA / "replicates.csv")) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    testing::writeText(shardA / "replicates.csv", crlf);
    const auto merged = freshDirectory("crlf-merged");
    const testing::ToolRun merge = runTool({"merge", file, "--out", merged, shardA, shardB});
    ASSERT_EQ(merge.status, 0) << merge.err;
    EXPECT_EQ(directoryFiles(merged), directoryFiles(whole));
}

TEST(Simulation, ShardsOfAnotherDesignAreRefused) {
    DesignSettings design = testing::smallDesign(EventType::Toxicity);
    design.trials = 2;
    const std::string file = writeDesignFile(design, "other-design");
    const auto shard = freshDirectory("other-design-shard");
    ASSERT_EQ(runTool({"simulate", file, "--replicates", "1-2", "--out", shard}).status, 0);
    design.seed += 1;
    const std::string otherFile = writeDesignFile(design, "other-design-2");
    const testing::ToolRun merge =
        runTool({"merge", otherFile, "--out", freshDirectory("other-merged"), shard});
    EXPECT_NE(merge.status, 0);
    EXPECT_NE(merge.err.find("belongs to another design"), std::string::npos);
}

// A rule that stopped on the wrong side would show here: with a run-in the
// trial stops almost always when the true rate is far beyond the bound and
// rarely when it is far on the safe side.
TEST(Simulation, StopsWhenTheRateIsFarBeyondTheBoundAndRarelyOtherwise) {
    struct Case {
        EventType type;
        double safe;
        double beyond;
    };
    for (const Case& c :
         {Case{EventType::Toxicity, 0.03, 0.8}, Case{EventType::Efficacy, 0.8, 0.02},
          Case{EventType::DiseaseProgression, 0.1, 0.95}}) {
        DesignSettings design = testing::smallDesign(c.type);
        design.maxPatients = 20;
        design.firstLook = 8;
        design.lookEvery = 4;
        design.minCompleted = 6;
        design.accrualRate = 0.2;
        design.trueRates = {c.safe, c.beyond};
        design.trials = 20;
        const ScenarioOutcomes outcomes =
            *runSimulation({design, 1.0}, {0, design.trials - 1}, 2, [](long, long) {});
        const std::vector<ScenarioSummary> summaries = summariseOutcomes(design, outcomes);
        EXPECT_LE(summaries[0].earlyStop, 0.1) << static_cast<int>(c.type);
        EXPECT_GE(summaries[1].earlyStop, 0.9) << static_cast<int>(c.type);
        EXPECT_GT(summaries[1].meanLooksRun, 0.0);
    }
}

TEST(OperatingCharacteristics, StandardErrorsOfTheEstimates) {
    std::vector<TrialOutcome> outcomes(10);
    for (int r = 0; r < 10; ++r) {
        outcomes[r].enrolled = 20;
        outcomes[r].duration = 100.0 + r;
        outcomes[r].looksRun = 2;
        outcomes[r].pendingAtLooks = 5;
        outcomes[r].priorOnlyLooks = r == 0 ? 1 : 0;
    }
    for (const int r : {1, 4, 7}) {
        outcomes[r].stopLook = r == 7 ? 2 : 1;
        outcomes[r].enrolled = 10;
    }
    const ScenarioSummary s = summariseScenario(0.3, outcomes, 3);
    EXPECT_DOUBLE_EQ(s.earlyStop, 0.3);
    EXPECT_DOUBLE_EQ(s.earlyStopError, std::sqrt(0.3 * 0.7 / 10));
    EXPECT_EQ(s.stopByLook, (std::vector<double>{0.2, 0.1, 0.0}));
    EXPECT_DOUBLE_EQ(s.meanEnrolled, 17.0);
    // Sample variance of seven 20s and three 10s: 210 / 9.
    EXPECT_DOUBLE_EQ(s.meanEnrolledError, std::sqrt(210.0 / 9 / 10));
    EXPECT_DOUBLE_EQ(s.meanDuration, 104.5);
    EXPECT_DOUBLE_EQ(s.meanDurationError, std::sqrt(82.5 / 9 / 10));
    EXPECT_DOUBLE_EQ(s.meanPendingPerLook, 2.5);
    EXPECT_DOUBLE_EQ(s.priorOnlyShare, 0.05);
    EXPECT_EQ(proportionError(0.0, 50), 0.0);
    // Every stopping probability by look has its error and interval.
    ASSERT_EQ(s.stopByLookError.size(), 3u);
    EXPECT_DOUBLE_EQ(s.stopByLookError[0], std::sqrt(0.2 * 0.8 / 10));
    EXPECT_DOUBLE_EQ(s.stopByLookError[1], std::sqrt(0.1 * 0.9 / 10));
    EXPECT_EQ(s.stopByLookError[2], 0.0);
    EXPECT_EQ(s.stopByLookInterval[2].low, 0.0);
    EXPECT_GT(s.stopByLookInterval[2].high, 0.2);  // nothing in 10 trials says little
    EXPECT_EQ(s.earlyStopInterval.low, wilsonInterval(3, 10).low);
    EXPECT_EQ(s.earlyStopInterval.high, wilsonInterval(3, 10).high);
}

// The Wilson interval's ends are the roots of (x/n - t)^2 = z^2 t (1 - t) / n;
// the reference values solve that quadratic (z = 1.959964).
TEST(OperatingCharacteristics, WilsonIntervalsStayInformativeAtZeroAndOne) {
    const struct {
        long successes, trials;
        double low, high;
    } cases[] = {{0, 1000, 0.0, 0.0038268},
                 {1000, 1000, 0.9961732, 1.0},
                 {1, 6, 0.0300534, 0.5635028},
                 {500, 1000, 0.4690696, 0.5309304},
                 {9, 1000, 0.0047421, 0.0170158}};
    for (const auto& c : cases) {
        const ProportionInterval interval = wilsonInterval(c.successes, c.trials);
        EXPECT_NEAR(interval.low, c.low, 5e-7) << c.successes << " of " << c.trials;
        EXPECT_NEAR(interval.high, c.high, 5e-7) << c.successes << " of " << c.trials;
    }
    EXPECT_EQ(wilsonInterval(0, 1000).low, 0.0);
    EXPECT_EQ(wilsonInterval(1000, 1000).high, 1.0);
}

TEST(Simulation, UnitsComparisonWritesEveryUnitAgainstTheDesignUnit) {
    DesignSettings design = testing::smallDesign(EventType::Efficacy);
    design.trials = 3;
    const std::string file = writeDesignFile(design, "units");
    const auto units = freshDirectory("units-out");
    const testing::ToolRun run = runTool({"units", file, "--units", "hours,months", "--out", units,
                                          "--threads", "2", "--same-looks", "2"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream csv(testing::readText(units / "units.csv"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(csv, line);) {
        lines.push_back(line);
    }
    // The design's own unit comes first, then the units asked for; two
    // scenarios each.
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[1].rfind("days,30,", 0), 0u);
    EXPECT_EQ(lines[3].rfind("hours,720,", 0), 0u);
    EXPECT_EQ(lines[5].rfind("months,0.9856262834,", 0), 0u);
    const auto field = [](const std::string& line, int index) {
        std::istringstream fields(line);
        std::string value;
        for (int i = 0; i <= index; ++i) {
            std::getline(fields, value, ',');
        }
        return value;
    };
    EXPECT_EQ(field(lines[0], 10), "differing_from_reference");
    for (const int reference : {1, 2}) {
        EXPECT_EQ(field(lines[reference], 10), "0");
    }
    EXPECT_TRUE(std::filesystem::exists(units / "units.svg"));

    // The same looks in each unit: none decided otherwise in the design's unit.
    std::istringstream looks(testing::readText(units / "units_same_looks.csv"));
    std::vector<std::string> lookLines;
    for (std::string line; std::getline(looks, line);) {
        lookLines.push_back(line);
    }
    ASSERT_EQ(lookLines.size(), 7u);
    EXPECT_EQ(lookLines[1].rfind("days,1,0.1,", 0), 0u);
    EXPECT_EQ(lookLines[1].substr(lookLines[1].rfind(',')), ",0");
    EXPECT_EQ(lookLines[2].substr(lookLines[2].rfind(',')), ",0");
}

TEST(Simulation, UnitsRefusesAUnitInWhichTheWindowLeavesTheComputationLimits) {
    DesignSettings design = testing::smallDesign(EventType::Toxicity);
    design.maxEvaluationWindow = 30000;  // days: 720000 hours
    const std::string file = writeDesignFile(design, "units-limits");
    const testing::ToolRun run = runTool({"units", file, "--units", "hours,months", "--out",
                                          freshDirectory("units-limits-out").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "In hours: The MaxEvaluationWindow was set to (720000). This value is too large for "
              "the computation; it must lie within [1e-300, 700000].\n");
}

}  // namespace
}  // namespace quillmere
