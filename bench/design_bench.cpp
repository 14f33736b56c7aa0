// Speed of the design companion's simulation: looks analysed per CPU-second
// (the counter "looks", process CPU time) on the toxicity example with 10
// trials per scenario, one look after another (the console program's way)
// and with several looks under analysis at once.
#include <benchmark/benchmark.h>

#include <iostream>
#include <string>

#include "design/design_settings.h"
#include "design/simulation_runner.h"

namespace quillmere::bench {

namespace {

DesignSettings benchDesign() {
    std::optional<DesignSettings> design =
        readDesignFile(QUILLMERE_SOURCE_DIR "/examples/design/toxicity.design", std::cerr);
    design->trials = 10;
    return *design;
}

void designLooks(benchmark::State& run, int analysesAtOnce) {
    const DesignSettings design = benchDesign();
    long looks = 0;
    for (auto _ : run) {
        const ScenarioOutcomes outcomes = runSimulation(
                                              {design, 1.0}, {0, design.trials - 1}, 1,
                                              [](long, long) {}, nullptr, analysesAtOnce)
                                              .value();
        for (const auto& scenario : outcomes) {
            for (const TrialOutcome& outcome : scenario) {
                looks += outcome.looksRun;
            }
        }
    }
    run.counters["looks"] =
        benchmark::Counter(static_cast<double>(looks), benchmark::Counter::kIsRate);
}

}  // namespace

// The console program's way (each look's analysis to its end, then the
// next) beside the companion's default, in one run.
BENCHMARK_CAPTURE(designLooks, OneAtATime, 1)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(designLooks, Together, defaultAnalysesAtOnce)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->MeasureProcessCPUTime();

}  // namespace quillmere::bench
