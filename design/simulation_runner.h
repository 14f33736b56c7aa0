#pragma once

#include <optional>
#include <vector>

#include "design/task_pool.h"
#include "design/trial_lanes.h"
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
inline constexpr int defaultAnalysesAtOnce = 4;

// How a simulation analyses its looks: how many at once on each thread and
// how far (see LookDepth). One at a time to the posterior result runs each
// look's analysis to its end as simulateTrial does, the console program's
// way. The outcomes are the same either way.
struct LookAnalysisWay {
    int atOnce = defaultAnalysesAtOnce;
    LookDepth depth = LookDepth::Advice;
};

// Simulates every scenario over the replicate range on `threads` worker
// threads. Each result is stored at its replicate's index and every replicate
// draws from its own stream, so the outcomes are the same for any thread
// count. The first failure of any worker stops the run and is rethrown; a
// stop request gives nothing.
std::optional<ScenarioOutcomes> runSimulation(const SimulationPlan& plan, ReplicateRange range,
                                              int threads, const ProgressCallback& progress,
                                              const StopRequest* stop = nullptr,
                                              LookAnalysisWay way = {});

}  // namespace quillmere
