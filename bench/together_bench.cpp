// Four imputation runs advanced together, as the design companion runs its
// looks: a quarter of the CPU time per iteration is the time per look at
// n = 30, 100 and 500, to set beside ImputationRun/Fast/n (one run alone).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "engine/engine.h"
#include "synthetic_trial.h"

namespace quillmere::bench {

namespace {

constexpr int runsTogether = 4;

void runsAdvancedTogether(benchmark::State& run, int patientCount) {
    // Records of n, n - 1, ... patients (at most 500), so that the runs differ.
    std::vector<std::unique_ptr<TrialData>> prepared;
    for (int r = 0; r < runsTogether; ++r) {
        prepared.push_back(syntheticTrial(patientCount - r));
        computeExposureTable(*prepared.back());
    }
    std::vector<std::unique_ptr<TrialData>> data(runsTogether);
    std::vector<EngineState> state(runsTogether);
    std::vector<ImputationRun> runs(runsTogether);
    std::vector<ImputationRun*> running;
    ForesightScratch scratch;
    for (auto _ : run) {
        running.clear();
        for (int r = 0; r < runsTogether; ++r) {
            data[r] = std::make_unique<TrialData>(*prepared[r]);
            state[r] = EngineState{};
            startImputation(runs[r], *data[r], EventType::Toxicity, state[r]);
            running.push_back(&runs[r]);
        }
        while (!running.empty()) {
            foreseeTogether(running, scratch);
            for (ImputationRun* each : running) {
                continueImputation(*each);
            }
            std::erase_if(running, [](const ImputationRun* each) { return each->finished; });
        }
        benchmark::DoNotOptimize(data[0]->posteriorResult);
    }
}

}  // namespace

BENCHMARK_CAPTURE(runsAdvancedTogether, 30, 30)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(runsAdvancedTogether, 100, 100)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(runsAdvancedTogether, 500, 500)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace quillmere::bench
