#include "design/simulation_runner.h"

namespace quillmere {

ScenarioOutcomes runSimulation(const SimulationPlan& plan, ReplicateRange range, int threads,
                               const ProgressCallback& progress) {
    const int scenarios = static_cast<int>(plan.design.trueRates.size());
    ScenarioOutcomes outcomes(scenarios, std::vector<TrialOutcome>(range.size()));
    const long perScenario = range.size();
    runTaskPool(scenarios * perScenario, threads, progress, [&](long task, TrialData& work) {
        const int scenario = static_cast<int>(task / perScenario);
        const int offset = static_cast<int>(task % perScenario);
        outcomes[scenario][offset] = simulateTrial(plan, scenario, range.first + offset, work);
    });
    return outcomes;
}

}  // namespace quillmere
