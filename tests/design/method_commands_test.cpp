// The Method key through the design file and the commands: its values and
// mistakes, the fingerprint, dump's refusal, compare across methods, shards,
// the calibration of the methods that do not impute, and the overrun.
#include <gtest/gtest.h>

#include <sstream>

#include "design/boundaries.h"
#include "design/calibration.h"
#include "design/design_test_support.h"
#include "design/late_outcomes.h"
#include "design/simulation_runner.h"
#include "design/text_format.h"

namespace quillmere {
namespace {

using testing::designFileText;
using testing::directoryFiles;
using testing::freshDirectory;
using testing::readText;
using testing::runTool;
using testing::smallDesign;
using testing::writeDesignFile;

const std::vector<LateOutcomeMethod> otherMethods = {
    LateOutcomeMethod::CompleteCase, LateOutcomeMethod::Suspension, LateOutcomeMethod::Weighted};

DesignSettings withMethod(DesignSettings design, LateOutcomeMethod method) {
    design.method = method;
    return design;
}

TEST(MethodKey, ReadsEachMethodAndNamesEveryMistake) {
    struct Case {
        std::string lines;
        std::optional<LateOutcomeMethod> method;  // nothing: refused with `message`
        std::string message;
    };
    const std::vector<Case> cases = {
        {"", LateOutcomeMethod::Imputation, ""},
        {"Method = imputation\n", LateOutcomeMethod::Imputation, ""},
        {"Method = Complete-Case\n", LateOutcomeMethod::CompleteCase, ""},
        {"Method = SUSPENSION\n", LateOutcomeMethod::Suspension, ""},
        {"Method = weighted\n", LateOutcomeMethod::Weighted, ""},
        {"Method = waiting\n", std::nullopt,
         "The Method was set to (waiting). Limit inputs to imputation, complete-case, suspension "
         "or weighted.\n"},
        {"Method = weighted\nHazardPriorShape = 2\n", std::nullopt,
         "The Method was set to (weighted), which imputes nothing: HazardPriorShape and "
         "HazardRange apply only to Method = imputation.\n"},
        {"Method = suspension\nHazardRange = window\n", std::nullopt,
         "The Method was set to (suspension), which imputes nothing: HazardPriorShape and "
         "HazardRange apply only to Method = imputation.\n"},
        // quillmere's own hazard model, written out, is no mistake.
        {"Method = complete-case\nHazardPriorShape = 0\nHazardRange = unit\n",
         LateOutcomeMethod::CompleteCase, ""},
    };
    const std::string base = designFileText(smallDesign(EventType::Toxicity));
    const std::string baseFingerprint = designFingerprint(smallDesign(EventType::Toxicity));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        std::istringstream text(base + c.lines);
        std::ostringstream messages;
        const std::optional<DesignSettings> design = readDesignText(text, messages);
        EXPECT_EQ(messages.str(), c.message);
        ASSERT_EQ(design.has_value(), c.method.has_value());
        if (!design) {
            continue;
        }
        EXPECT_EQ(design->method, *c.method);
        // Only another method than the imputation is named in the fingerprint.
        EXPECT_EQ(designFingerprint(*design),
                  baseFingerprint + (*c.method == LateOutcomeMethod::Imputation
                                         ? ""
                                         : " method=" + lateOutcomeMethodName(*c.method)));
        EXPECT_EQ(replayableWithQuillmere(*design), *c.method == LateOutcomeMethod::Imputation);
    }
}

TEST(MethodCommands, DumpExplainsThatOnlyImputationLooksReplay) {
    for (const LateOutcomeMethod method : otherMethods) {
        const std::string file =
            writeDesignFile(withMethod(smallDesign(EventType::Efficacy), method), "dump-method");
        const auto to = freshDirectory("dump-method-out");
        const testing::ToolRun run = runTool({"dump", file, "--scenario", "1", "--replicate", "1",
                                              "--look", "1", "--to", to.string()});
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err,
                  "dump refuses this design: it writes quillmere's input files so that quillmere "
                  "replays a look, and quillmere imputes the pending outcomes, so only the looks "
                  "of Method = imputation can be replayed with it. This design sets Method = " +
                      lateOutcomeMethodName(method) +
                      ", whose looks decide on Beta(0.1 + events, 0.2 + non-events) without "
                      "quillmere.\n");
        EXPECT_TRUE(directoryFiles(to).empty());
    }
}

TEST(MethodCommands, CompareSetsAMethodAgainstTheImputationOnTheSamePatients) {
    DesignSettings imputation = smallDesign(EventType::Toxicity);
    imputation.trials = 4;
    const std::string fileA = writeDesignFile(imputation, "compare-method-a");
    const std::string fileB =
        writeDesignFile(withMethod(imputation, LateOutcomeMethod::Suspension), "compare-method-b");
    const auto out = freshDirectory("compare-method-out");
    const testing::ToolRun run = runTool({"compare", fileA, fileB, "--out", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Rule B (" + fileB +
                           "): differs in Method suspension (A: imputation)\n"
                           "Method: suspension, at each look enrolment waits until every enrolled "
                           "patient's outcome is known, then the look decides on complete data\n"),
              std::string::npos)
        << run.out;
    const std::string late = readText(out / "compare_late_outcomes.csv");
    std::istringstream lines(late);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line,
              "scenario,true_rate,trials,characteristic,rule_a,rule_b,difference,difference_se");
    int rows = 0;
    while (std::getline(lines, line)) {
        ++rows;
        // Suspension decides on complete data: it never enrols beyond the justified stop.
        if (line.find(",expected_overrun,") != std::string::npos ||
            line.find(",overrun_share,") != std::string::npos) {
            EXPECT_NE(line.find(",0,"), std::string::npos) << line;
        }
    }
    EXPECT_EQ(rows, 6);
}

TEST(MethodCommands, ShardsOfAMethodMergeIntoOneRunAndNotIntoAnotherMethod) {
    const DesignSettings weighted =
        withMethod(smallDesign(EventType::DiseaseProgression), LateOutcomeMethod::Weighted);
    const std::string file = writeDesignFile(weighted, "method-shards");
    const auto whole = freshDirectory("method-shards-whole");
    const auto shardA = freshDirectory("method-shards-a");
    const auto shardB = freshDirectory("method-shards-b");
    const auto merged = freshDirectory("method-shards-merged");
    const testing::ToolRun run = runTool({"simulate", file, "--out", whole.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("\nLate outcomes (method: weighted)"), std::string::npos);
    EXPECT_NE(run.out.find("late_outcomes.csv, late_outcomes.svg\n"), std::string::npos);
    ASSERT_EQ(runTool({"simulate", file, "--replicates", "1-2", "--out", shardA}).status, 0);
    ASSERT_EQ(runTool({"simulate", file, "--replicates", "3-6", "--out", shardB}).status, 0);
    const testing::ToolRun merge = runTool({"merge", file, "--out", merged, shardA, shardB});
    ASSERT_EQ(merge.status, 0) << merge.err;
    EXPECT_EQ(directoryFiles(merged), directoryFiles(whole));

    const std::string other = writeDesignFile(withMethod(weighted, LateOutcomeMethod::CompleteCase),
                                              "method-shards-other");
    const testing::ToolRun refused =
        runTool({"merge", other, "--out", freshDirectory("method-shards-refused"), shardA, shardB});
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.err.find("belongs to another design"), std::string::npos) << refused.err;
}

// A look's probability does not depend on the cut-off under any method, nor
// (under suspension) the waits: every look run to the end gives, at any
// cut-off, the trials a simulation with that cut-off gives.
TEST(MethodCalibration, EveryCutoffGivesTheTrialsOfASimulationWithIt) {
    for (const LateOutcomeMethod method : otherMethods) {
        DesignSettings design = withMethod(smallDesign(EventType::Toxicity), method);
        design.trials = 10;
        design.calibrationRate = 0.3;
        design.maxErrorStop = 0.2;
        const ReplicateRange all{0, design.trials - 1};
        const CalibrationLooks looks =
            runCalibrationSimulation(design, all, 2, [](long, long) {}).value();
        const std::vector<double> cutoffs = changingCutoffs(looks);
        ASSERT_GE(cutoffs.size(), 3U);
        for (const double cutoff : {cutoffs.front(), cutoffs[cutoffs.size() / 2], cutoffs.back()}) {
            DesignSettings simulated = design;
            simulated.cutoffProbability = cutoff;
            simulated.trueRates = calibrationRates(design);
            const ScenarioOutcomes outcomes =
                runSimulation({simulated, 1.0}, all, 2, [](long, long) {}).value();
            for (std::size_t s = 0; s < outcomes.size(); ++s) {
                for (int r = 0; r < design.trials; ++r) {
                    const TrialOutcome calibrated =
                        outcomeAtCutoff(looks[s][r], cutoff, design.maxPatients);
                    const TrialOutcome& run = outcomes[s][r];
                    SCOPED_TRACE(
                        lateOutcomeMethodName(method) +
                        formatted(", cut-off %.17g, scenario %zu, replicate %d", cutoff, s, r));
                    EXPECT_EQ(calibrated.stopLook, run.stopLook);
                    EXPECT_EQ(calibrated.enrolled, run.enrolled);
                    EXPECT_EQ(calibrated.duration, run.duration);
                    EXPECT_EQ(calibrated.looksRun, run.looksRun);
                    EXPECT_EQ(calibrated.pendingAtLooks, run.pendingAtLooks);
                }
            }
        }
    }
}

// The looks of the small design come after 4, 6, 8 and 10 patients; the
// run-in (3 outcomes) lets every one of them run on complete data. With
// bound 0.3 and cut-off 0.8 the rule stops on complete data at 3 of 4, 3 of
// 6, 4 of 8 and 5 of 10 events (the boundary table).
TEST(Overrun, CountsThePatientsEnrolledAfterTheCompleteDataCrossedTheBoundary) {
    const DesignSettings design = smallDesign(EventType::Toxicity);
    const std::vector<BoundaryRow> boundaries =
        computeBoundaries(design.eventType, design.rateBound, design.cutoffProbability, 10);
    for (const auto& [patients, boundary] : {std::pair{4, 3}, {6, 3}, {8, 4}, {10, 5}}) {
        ASSERT_EQ(boundaries[patients - 1].boundary, boundary) << patients;
    }
    struct Case {
        std::vector<int> eventPatients;  // patients (from 0) with the event within the window
        std::optional<int> justified;
    };
    const std::vector<Case> cases = {
        {{}, std::nullopt},
        {{0, 1, 2}, 4},               // 3 of the first 4
        {{0, 1, 5}, 6},               // 2 of 4, 3 of 6
        {{0, 3, 6, 7}, 8},            // 2 of 4, 2 of 6, 4 of 8
        {{0, 5, 6, 8, 9}, 10},        // 1 of 4, 2 of 6, 3 of 8, 5 of 10
        {{9, 10, 11}, std::nullopt},  // the last two come after the last look
    };
    const CompleteDataStops stops = completeDataStops(design);
    for (const Case& c : cases) {
        std::vector<SimulatedPatient> cohort(12, {0.0, 100.0});
        for (std::size_t i = 0; i < cohort.size(); ++i) {
            cohort[i].arrivalTime = static_cast<double>(i);
        }
        for (const int patient : c.eventPatients) {
            cohort[patient].eventTime = 30.0;  // at the very end of the window: an event
        }
        EXPECT_EQ(justifiedStopEnrolment(design, stops, cohort), c.justified)
            << c.eventPatients.size() << " events";
    }
    // Suspension decides on the complete data: it never enrols beyond them,
    // and the imputation, deciding earlier, sometimes does.
    DesignSettings fast = design;
    fast.accrualRate = 1.0;
    fast.trueRates = {0.5, 0.7};
    fast.trials = 20;
    const ReplicateRange all{0, fast.trials - 1};
    const DesignSettings suspension = withMethod(fast, LateOutcomeMethod::Suspension);
    const ScenarioOverruns suspended = overrunsOf(
        suspension, runSimulation({suspension, 1.0}, all, 2, [](long, long) {}).value(), all);
    const DesignSettings completeCase = withMethod(fast, LateOutcomeMethod::CompleteCase);
    const ScenarioOverruns waitedLess = overrunsOf(
        completeCase, runSimulation({completeCase, 1.0}, all, 2, [](long, long) {}).value(), all);
    int overran = 0;
    for (std::size_t s = 0; s < suspended.size(); ++s) {
        for (std::size_t r = 0; r < suspended[s].size(); ++r) {
            EXPECT_EQ(suspended[s][r], 0);
            overran += waitedLess[s][r] > 0 ? 1 : 0;
        }
    }
    EXPECT_GT(overran, 0);
}

}  // namespace
}  // namespace quillmere
