// Speed of the Bayesian engine: one hazard log-posterior evaluation, one
// sampler call, and one whole imputation run, each with the reference
// (literal) evaluation and the fast one side by side. After the usual table
// the program prints, for every pair, how many times faster the fast path is
// in this same run.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "engine/engine.h"
#include "engine/hazard_posterior_terms.h"
#include "numeric/numeric.h"
#include "synthetic_trial.h"

namespace quillmere::bench {

namespace {

constexpr int sizes[] = {30, 100, 500};
constexpr double hazardLower = 0.001;
constexpr double hazardUpper = 100.0;

const char* evaluationName(PosteriorEvaluation evaluation) {
    return evaluation == PosteriorEvaluation::Fast ? "Fast" : "Literal";
}

// A record with its exposure table and hazards near the posterior.
std::unique_ptr<TrialData> benchRecord(int patientCount) {
    auto data = syntheticTrial(patientCount);
    computeExposureTable(*data);
    data->hazard = {0.004, 0.0035, 0.0042, 0.0038, 0.004, 0.0041};
    return data;
}

// The log-posterior bound as runGibbsImputation binds it.
struct BoundPosterior {
    HazardPosteriorContext context;
    HazardPosteriorTerms terms;
    LogDensityBinding binding;

    BoundPosterior(const TrialData& data, const EngineState& state, PosteriorEvaluation evaluation)
        : context{&data, &state}, terms(prepareHazardPosteriorTerms(data, state)) {
        binding = evaluation == PosteriorEvaluation::Fast
                      ? fastHazardPosteriorBinding(terms)
                      : LogDensityBinding{&context, hazardLogPosterior};
    }
};

void logPosterior(benchmark::State& run, int patientCount, PosteriorEvaluation evaluation) {
    const auto data = benchRecord(patientCount);
    EngineState state;
    state.currentHazardIndex = 2;
    BoundPosterior posterior(*data, state, evaluation);
    double x = 0.001;
    for (auto _ : run) {
        benchmark::DoNotOptimize(evaluateLogDensity(posterior.binding, x));
        x = x < 50.0 ? x * 1.7 : 0.001;
    }
}

// One draw per iteration, the hazards taken in turn as in a sweep, the
// log-posterior evaluated as runGibbsImputation does.
void hazardSamplerCall(benchmark::State& run, int patientCount, PosteriorEvaluation evaluation) {
    auto data = benchRecord(patientCount);
    EngineState state;
    BoundPosterior posterior(*data, state, evaluation);
    std::array<double, intervalCount> previous = data->hazard;
    int j = 0;
    for (auto _ : run) {
        state.currentHazardIndex = j;
        double sample = 0.0;
        if (sampleFromLogDensity(hazardLower, hazardUpper, posterior.binding, previous[j], sample,
                                 state.rand15) != 0) {
            run.SkipWithError("sampler failed");
            break;
        }
        previous[j] = sample;
        data->hazard[j] = sample;
        j = (j + 1) % intervalCount;
    }
}

double minusX(double x, void*) {
    return -x;
}

void simpleSamplerCall(benchmark::State& run) {
    Rand15Generator generator;
    const LogDensityBinding binding{nullptr, minusX};
    double previous = 2.0;
    for (auto _ : run) {
        double sample = 0.0;
        if (sampleFromLogDensity(hazardLower, hazardUpper, binding, previous, sample, generator) !=
            0) {
            run.SkipWithError("sampler failed");
            break;
        }
        previous = sample;
    }
}

void wholeRun(benchmark::State& run, int patientCount, PosteriorEvaluation evaluation) {
    const auto prepared = syntheticTrial(patientCount);
    computeExposureTable(*prepared);
    auto data = std::make_unique<TrialData>();
    for (auto _ : run) {
        *data = *prepared;
        EngineState state;
        if (runGibbsImputation(*data, EventType::Toxicity, state, evaluation) != 0) {
            run.SkipWithError("sampler failed");
            break;
        }
        benchmark::DoNotOptimize(data->posteriorResult);
    }
}

void registerBenchmarks() {
    for (const auto evaluation : {PosteriorEvaluation::Literal, PosteriorEvaluation::Fast}) {
        for (const int n : sizes) {
            const std::string suffix =
                std::string("/") + evaluationName(evaluation) + "/" + std::to_string(n);
            benchmark::RegisterBenchmark(("LogPosterior" + suffix).c_str(), logPosterior, n,
                                         evaluation);
            benchmark::RegisterBenchmark(("SamplerCall/Hazard" + suffix).c_str(), hazardSamplerCall,
                                         n, evaluation);
        }
    }
    benchmark::RegisterBenchmark("SamplerCall/SimpleDensity", simpleSamplerCall);
    for (const auto evaluation : {PosteriorEvaluation::Literal, PosteriorEvaluation::Fast}) {
        for (const int n : sizes) {
            const std::string name = std::string("ImputationRun/") + evaluationName(evaluation) +
                                     "/" + std::to_string(n);
            benchmark::RegisterBenchmark(name.c_str(), wholeRun, n, evaluation)
                ->Unit(benchmark::kMillisecond)
                ->MinTime(2.0);
        }
    }
}

// Collects each benchmark's CPU time per iteration while the console shows
// them (CPU time: other processes on the machine disturb it least).
std::string readable(double nanoseconds) {
    char text[32];
    if (nanoseconds < 1e6) {
        std::snprintf(text, sizeof text, "%.0f ns", nanoseconds);
    } else {
        std::snprintf(text, sizeof text, "%.1f ms", nanoseconds / 1e6);
    }
    return text;
}

class RatioReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                order.push_back(run.benchmark_name());
                nanoseconds[run.benchmark_name()] =
                    run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit) *
                    1e9;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatios() const {
        std::printf("\nLiteral / Fast, CPU time per iteration measured in this run:\n");
        std::printf("%-24s %14s %14s %9s\n", "benchmark", "literal", "fast", "speed-up");
        for (const std::string& name : order) {
            const double literalTime = nanoseconds.at(name);
            const auto at = name.find("/Literal/");
            if (at == std::string::npos) {
                continue;
            }
            std::string fastName = name;
            fastName.replace(at, 9, "/Fast/");
            const auto fast = nanoseconds.find(fastName);
            if (fast == nanoseconds.end()) {
                continue;
            }
            std::string pair = name;
            pair.erase(at, 8);
            pair = pair.substr(0, pair.find("/min_time"));
            std::printf("%-24s %14s %14s %8.1fx\n", pair.c_str(), readable(literalTime).c_str(),
                        readable(fast->second).c_str(), literalTime / fast->second);
        }
    }

  private:
    std::vector<std::string> order;
    std::map<std::string, double> nanoseconds;
};

}  // namespace

}  // namespace quillmere::bench

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    quillmere::bench::registerBenchmarks();
    quillmere::bench::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatios();
    benchmark::Shutdown();
    return 0;
}
