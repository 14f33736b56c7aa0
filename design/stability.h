#pragma once

#include <cstdint>
#include <vector>

#include "analysis/analysis.h"
#include "design/task_pool.h"

namespace quillmere {

// How firm one interim decision is: quillmere's own analysis from its fixed
// streams, and the same analysis repeated with independent streams.
struct StabilityPlan {
    int runs = 200;
    int threads = 1;
    std::uint64_t seed = 1;
};

struct StabilityStudy {
    AnalysisResult fixed;  // bit for bit what quillmere reports
    // Run r (counted from 1) at index r - 1, from independentEngineState(seed, r).
    std::vector<double> probabilities;
    std::vector<bool> terminates;
};

// What the repeated runs say.
struct StabilitySummary {
    double mean = 0.0;          // what a much longer run would give
    double meanError = 0.0;     // its standard error
    double runDeviation = 0.0;  // standard deviation of one run's probability
    int differingAdvice = 0;    // runs whose advice differs from the fixed run's
};

using StabilityOutcome = Outcome<StabilityStudy, AnalysisError>;

// Checks the input, runs the fixed analysis and then the repeated ones on
// `plan.threads` workers; the results do not depend on the thread count. An
// analysis failure is returned as the console program reports it; a stop
// request gives nothing (and no error).
std::optional<StabilityOutcome> runStability(const AnalysisInput& input, const StabilityPlan& plan,
                                             const ProgressCallback& progress,
                                             const StopRequest* stop = nullptr);

StabilitySummary summariseStability(const StabilityStudy& study);

}  // namespace quillmere
