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

void designLooks(benchmark::State& run, LookAnalysisWay way) {
    const DesignSettings design = benchDesign();
    long looks = 0;
    for (auto _ : run) {
        const ScenarioOutcomes outcomes =
            runSimulation(
                {design, 1.0}, {0, design.trials - 1}, 1, [](long, long) {}, nullptr, way)
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
// next), several looks at once to their probabilities, and the companion's
// default (several at once, each until its advice is certain), in one run.
BENCHMARK_CAPTURE(designLooks, OneAtATime, LookAnalysisWay{1, LookDepth::PosteriorResult})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(designLooks, TogetherToProbability,
                  LookAnalysisWay{defaultAnalysesAtOnce, LookDepth::PosteriorResult})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(designLooks, OneAtATimeToAdvice, LookAnalysisWay{1, LookDepth::Advice})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(designLooks, TogetherToAdvice, LookAnalysisWay{})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(3.0)
    ->MeasureProcessCPUTime();

}  // namespace quillmere::bench
