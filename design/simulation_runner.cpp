#include "design/simulation_runner.h"

namespace quillmere {

std::optional<ScenarioOutcomes> runSimulation(const SimulationPlan& plan, ReplicateRange range,
                                              int threads, const ProgressCallback& progress,
                                              const StopRequest* stop) {
    const int scenarios = static_cast<int>(plan.design.trueRates.size());
    ScenarioOutcomes outcomes(scenarios, std::vector<TrialOutcome>(range.size()));
    const long perScenario = range.size();
    const bool complete = runTaskPool(
        scenarios * perScenario, threads, progress,
        [&](long task, TrialData& work) {
            const int scenario = static_cast<int>(task / perScenario);
            const int offset = static_cast<int>(task % perScenario);
            outcomes[scenario][offset] = simulateTrial(plan, scenario, range.first + offset, work);
        },
        stop);
    return complete ? std::optional<ScenarioOutcomes>(std::move(outcomes)) : std::nullopt;
}

}  // namespace quillmere
