#include <gtest/gtest.h>

#include "design/design_test_support.h"
#include "design/random_stream.h"
#include "design/trial_simulation.h"
#include "design_cli/look_dump.h"

namespace quillmere {
namespace {

struct LookChoice {
    int scenario = 0;
    int replicate = 0;
    LookTrace look;
};

// Random looks that the simulation ran, drawn with the design tool's own
// generator so that the choice is the same everywhere.
std::vector<LookChoice> randomLooks(const SimulationPlan& plan, int count) {
    RandomStream pick = replicateStream(2024, 99, 99);
    std::vector<TrialData> work(1);
    std::vector<LookChoice> choices;
    const int scenarios = static_cast<int>(plan.design.trueRates.size());
    while (static_cast<int>(choices.size()) < count) {
        const int scenario = static_cast<int>(nextBits(pick) % scenarios);
        const int replicate = static_cast<int>(nextBits(pick) % plan.design.trials);
        std::vector<LookTrace> trace;
        simulateTrial(plan, scenario, replicate, work[0], &trace);
        if (!trace.empty()) {
            const LookTrace& look = trace[nextBits(pick) % trace.size()];
            choices.push_back({scenario + 1, replicate + 1, look});
        }
    }
    return choices;
}

// Dumps a look with the dump command, runs quillmere on it and compares the
// result line and the decision with what the simulation used.
void expectQuillmereAgrees(const std::string& designFile, const SimulationPlan& plan,
                           const LookChoice& choice, const std::string& unit) {
    const auto directory = testing::freshDirectory("dump-look");
    const testing::ToolRun dump = testing::runTool(
        {"dump", designFile, "--scenario", std::to_string(choice.scenario), "--replicate",
         std::to_string(choice.replicate), "--look", std::to_string(choice.look.look), "--to",
         directory.string(), "--unit", unit});
    ASSERT_EQ(dump.status, 0) << dump.err;
    const DesignSettings& design = plan.design;
    // Only the two input files: the design tool never writes a report.
    const ConsoleFileNames names = consoleFileNames(design.eventType);
    const auto files = testing::directoryFiles(directory);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].first, names.configFile);
    EXPECT_EQ(files[1].first, names.dataFile);
    const testing::ConsoleRun run = testing::runQuillmere(directory, names.answer);
    ASSERT_EQ(run.status, 0);
    const LookResult& used = choice.look.result;
    EXPECT_EQ(run.resultLine,
              consoleResultLine(design.eventType, design.rateBound, used.reportedProbability))
        << "scenario " << choice.scenario << " replicate " << choice.replicate << " look "
        << choice.look.look;
    EXPECT_EQ(run.decisionLine,
              testing::expectedDecisionLine(used.terminate, design.cutoffProbability));
}

class DumpAgreesWithQuillmere : public ::testing::TestWithParam<EventType> {};

TEST_P(DumpAgreesWithQuillmere, OnRandomLooks) {
    DesignSettings design = testing::smallDesign(GetParam());
    design.maxPatients = 16;
    design.lookEvery = 3;
    design.trueRates = {0.15, 0.4, 0.7};  // both sides of the bounds
    design.trials = 30;
    design.eventTimeShape = 0.7;
    const std::string file = testing::writeDesignFile(design, "dump-design");
    int terminating = 0;
    int pending = 0;
    for (const auto& [unit, factor] :
         {std::pair<std::string, double>{"days", 1.0}, {"hours", 24.0}}) {
        const SimulationPlan plan{design, factor};
        for (const LookChoice& choice : randomLooks(plan, 10)) {
            expectQuillmereAgrees(file, plan, choice, unit);
            terminating += choice.look.result.terminate ? 1 : 0;
            pending += choice.look.snapshot.pending;
        }
    }
    // The sample holds both decisions and looks with pending patients.
    EXPECT_GT(terminating, 0);
    EXPECT_LT(terminating, 20);  // ten looks in each of two units
    EXPECT_GT(pending, 0);
}

INSTANTIATE_TEST_SUITE_P(EveryEventType, DumpAgreesWithQuillmere,
                         ::testing::Values(EventType::Toxicity, EventType::Efficacy,
                                           EventType::DiseaseProgression));

TEST(Dump, ExplainsALookTheSimulationDidNotRun) {
    DesignSettings design = testing::smallDesign(EventType::Toxicity);
    const std::string file = testing::writeDesignFile(design, "dump-missing");
    const testing::ToolRun run =
        testing::runTool({"dump", file, "--scenario", "1", "--replicate", "1", "--look", "9",
                          "--to", testing::freshDirectory("dump-missing-out").string()});
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1),
              "There is no look (9): the design has 4 looks.\n");
    EXPECT_NE(run.err.find("Looks run in this trial:"), std::string::npos);
}

}  // namespace
}  // namespace quillmere
