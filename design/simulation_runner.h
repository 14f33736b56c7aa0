#pragma once

#include <optional>
#include <vector>

#include "design/task_pool.h"
#include "design/trial_simulation.h"

namespace quillmere {

// Replicates first..last, counted from 0, both included.
struct ReplicateRange {
    int first = 0;
    int last = 0;
    int size() const { return last - first + 1; }
};

// Outcomes by scenario, then by replicate in range order.
using ScenarioOutcomes = std::vector<std::vector<TrialOutcome>>;

// Looks under analysis at once on each thread (see simulateTrialsTogether).
// 1 runs the looks one after another, each analysis to its end, as
// simulateTrial does; the outcomes are the same for any value.
inline constexpr int defaultAnalysesAtOnce = 4;

// Simulates every scenario over the replicate range on `threads` worker
// threads. Each result is stored at its replicate's index and every replicate
// draws from its own stream, so the outcomes are the same for any thread
// count. The first failure of any worker stops the run and is rethrown; a
// stop request gives nothing.
std::optional<ScenarioOutcomes> runSimulation(const SimulationPlan& plan, ReplicateRange range,
                                              int threads, const ProgressCallback& progress,
                                              const StopRequest* stop = nullptr,
                                              int analysesAtOnce = defaultAnalysesAtOnce);

}  // namespace quillmere
