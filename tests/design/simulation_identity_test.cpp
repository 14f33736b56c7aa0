// Looks analysed several at a time give every bit the looks gave when each
// was analysed alone: every look of simulations of all three event types and
// several designs against the stored listing made before (see
// tests/data/simulation-looks/README.md), outcomes for any number of looks
// at once and any thread count, and the output files of simulate.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "design/design_test_support.h"
#include "design/simulation_runner.h"
#include "design/trial_lanes.h"

namespace quillmere {
namespace {

const std::filesystem::path looksDirectory =
    std::filesystem::path(QUILLMERE_TEST_DATA_DIR) / "simulation-looks";

DesignSettings storedDesign(const std::string& name) {
    std::ostringstream messages;
    const std::optional<DesignSettings> design =
        readDesignFile((looksDirectory / (name + ".design")).string(), messages);
    EXPECT_TRUE(design.has_value()) << messages.str();
    return design.value_or(DesignSettings{});
}

std::vector<std::string> storedLooks(const std::string& name) {
    std::ifstream in(looksDirectory / (name + ".looks"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// One line of the listing.
std::string lookLine(int scenario, int replicate, const LookTrace& look) {
    char text[160];
    std::snprintf(text, sizeof text, "%d %d %d %d %d %a %d %d", scenario + 1, replicate + 1,
                  look.look, look.snapshot.enrolled, look.snapshot.pending,
                  look.result.reportedProbability, look.result.terminate ? 1 : 0,
                  look.result.priorOnly ? 1 : 0);
    return text;
}

// Every trial of the plan, in scenario and replicate order; each look alone
// (simulateTrial) or `lanes` at a time (simulateTrialsTogether).
std::vector<std::string> listedLooks(const SimulationPlan& plan, int lanes) {
    const int scenarios = static_cast<int>(plan.design.trueRates.size());
    const int trials = plan.design.trials;
    std::vector<std::vector<LookTrace>> traces(scenarios * trials);
    std::vector<TrialOutcome> outcomes(traces.size());
    if (lanes == 0) {
        std::vector<TrialData> work(1);
        for (std::size_t task = 0; task < traces.size(); ++task) {
            outcomes[task] = simulateTrial(plan, static_cast<int>(task) / trials,
                                           static_cast<int>(task) % trials, work[0], &traces[task]);
        }
    } else {
        std::size_t next = 0;
        const TrialTasks tasks{[&]() -> std::optional<TrialTask> {
                                   if (next == traces.size()) {
                                       return std::nullopt;
                                   }
                                   const std::size_t task = next++;
                                   return TrialTask{static_cast<int>(task) / trials,
                                                    static_cast<int>(task) % trials,
                                                    &outcomes[task], &traces[task]};
                               },
                               [] {}, [] { return false; }};
        simulateTrialsTogether(plan, lanes, tasks);
    }
    std::vector<std::string> lines;
    for (std::size_t task = 0; task < traces.size(); ++task) {
        for (const LookTrace& look : traces[task]) {
            lines.push_back(
                lookLine(static_cast<int>(task) / trials, static_cast<int>(task) % trials, look));
        }
    }
    return lines;
}

// Every trial's outcome over the replicate range, one line each.
std::string outcomesOf(const SimulationPlan& plan, ReplicateRange range, int threads,
                       LookAnalysisWay way) {
    const ScenarioOutcomes outcomes = runSimulation(
                                          plan, range, threads, [](long, long) {}, nullptr, way)
                                          .value();
    std::ostringstream text;
    for (const auto& scenario : outcomes) {
        for (const TrialOutcome& trial : scenario) {
            text << trial.stopLook << ' ' << trial.enrolled << ' ' << trial.duration << ' '
                 << trial.looksRun << ' ' << trial.pendingAtLooks << ' ' << trial.priorOnlyLooks
                 << '\n';
        }
    }
    return text.str();
}

// Each look alone, and a few numbers of looks at a time (0: alone); the
// outcomes of looks analysed only until their advice is certain are those of
// looks analysed to their probabilities.
void expectStoredLooks(const std::string& design, const std::string& listing, double timeScale,
                       std::initializer_list<int> lanesTried = {0, 3}) {
    const SimulationPlan plan{storedDesign(design), timeScale};
    const std::vector<std::string> stored = storedLooks(listing);
    ASSERT_FALSE(stored.empty());
    for (const int lanes : lanesTried) {
        SCOPED_TRACE(lanes == 0 ? "each look alone" : std::to_string(lanes) + " at a time");
        EXPECT_EQ(listedLooks(plan, lanes), stored);
    }
    const ReplicateRange all{0, plan.design.trials - 1};
    EXPECT_EQ(outcomesOf(plan, all, 1, {3, LookDepth::Advice}),
              outcomesOf(plan, all, 1, {1, LookDepth::PosteriorResult}));
}

TEST(SimulationIdentity, EveryLookOfTheToxicityDesignInDaysAndInHours) {
    expectStoredLooks("toxicity", "toxicity", 1.0, {0, 1, 3, 8});
    expectStoredLooks("toxicity", "toxicity-hours", 24.0);
}

TEST(SimulationIdentity, EveryLookOfTheEfficacyDesign) {
    expectStoredLooks("efficacy", "efficacy", 1.0);
}

TEST(SimulationIdentity, EveryLookOfTheDiseaseProgressionDesign) {
    expectStoredLooks("disease-progression", "disease-progression", 1.0);
}

TEST(SimulationIdentity, EveryLookOfADesignWithUpTo200Patients) {
    expectStoredLooks("large-toxicity", "large-toxicity", 1.0);
}

// The hazard model options (a proper prior, the window range) reach the
// looks analysed several at a time as they reach a look analysed alone, and
// they change the looks' probabilities.
TEST(SimulationIdentity, EveryLookUnderTheHazardModelOptionsIsTheSameAloneAndAtATime) {
    DesignSettings console = testing::smallDesign(EventType::Toxicity);
    console.trials = 3;
    const std::vector<std::string> consoleLooks = listedLooks({console, 1.0}, 0);
    for (const auto& [shape, range] :
         {std::pair{2.0, HazardRange::Window}, std::pair{0.5, HazardRange::Unit},
          std::pair{0.0, HazardRange::Window}}) {
        SCOPED_TRACE("shape " + std::to_string(shape) + ", range " + hazardRangeName(range));
        DesignSettings design = console;
        design.hazardPriorShape = shape;
        design.hazardRange = range;
        const std::vector<std::string> alone = listedLooks({design, 1.0}, 0);
        EXPECT_NE(alone, consoleLooks);
        for (const int lanes : {1, 3}) {
            EXPECT_EQ(listedLooks({design, 1.0}, lanes), alone) << lanes << " at a time";
        }
        EXPECT_EQ(outcomesOf({design, 1.0}, {0, 2}, 1, {3, LookDepth::Advice}),
                  outcomesOf({design, 1.0}, {0, 2}, 1, {1, LookDepth::PosteriorResult}));
    }
}

TEST(SimulationIdentity, OutcomesAreTheSameForAnyNumberOfLooksAtOnceAndAnyThreadCount) {
    DesignSettings design = testing::smallDesign(EventType::Efficacy);
    design.trials = 9;
    const SimulationPlan plan{design, 1.0};
    const std::string alone = outcomesOf(plan, {2, 8}, 1, {1, LookDepth::PosteriorResult});
    for (const LookDepth depth : {LookDepth::PosteriorResult, LookDepth::Advice}) {
        for (const int threads : {1, 2}) {
            for (const int atOnce : {1, 2, 5, 30}) {
                EXPECT_EQ(outcomesOf(plan, {2, 8}, threads, {atOnce, depth}), alone)
                    << threads << " threads, " << atOnce << " at once, to the "
                    << (depth == LookDepth::Advice ? "advice" : "probability");
            }
        }
    }
}

// Every trial's outcome, as simulate writes it: the report files drawn from
// it change with the report's layout, the outcomes must not.
TEST(SimulationIdentity, SimulateWritesTheOutcomesItWroteBefore) {
    const auto out = testing::freshDirectory("identity-output");
    const std::string design = (looksDirectory / "toxicity.design").string();
    const testing::ToolRun run = testing::runTool({"simulate", design, "--out", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(testing::readText(out / "replicates.csv"),
              testing::readText(looksDirectory / "toxicity-output" / "replicates.csv"));
}

}  // namespace
}  // namespace quillmere
