#include "design/simulation_runner.h"

namespace quillmere {

std::optional<ScenarioOutcomes> runSimulation(const SimulationPlan& plan, ReplicateRange range,
                                              int threads, const ProgressCallback& progress,
                                              const StopRequest* stop, LookAnalysisWay way) {
    const int scenarios = static_cast<int>(plan.design.trueRates.size());
    ScenarioOutcomes outcomes(scenarios, std::vector<TrialOutcome>(range.size()));
    const long perScenario = range.size();
    // Task t is replicate range.first + t % perScenario of scenario t / perScenario.
    const auto taskOf = [&](long task) {
        const int scenario = static_cast<int>(task / perScenario);
        const int offset = static_cast<int>(task % perScenario);
        return TrialTask{scenario, range.first + offset, &outcomes[scenario][offset], nullptr};
    };
    bool complete = false;
    if (way.atOnce <= 1 && way.depth == LookDepth::PosteriorResult) {
        complete = runTaskPool(
            scenarios * perScenario, threads, progress,
            [&](long task, TrialData& work) {
                const TrialTask trial = taskOf(task);
                *trial.outcome = simulateTrial(plan, trial.scenario, trial.replicate, work);
            },
            stop);
    } else {
        complete = runWorkerPool(
            scenarios * perScenario, threads, progress,
            [&](TaskQueue& queue) {
                const TrialTasks tasks{
                    [&]() -> std::optional<TrialTask> {
                        const std::optional<long> task = takeTask(queue);
                        return task ? std::optional(taskOf(*task)) : std::nullopt;
                    },
                    [&]() { markTaskDone(queue); }, [&]() { return workersStopping(queue); }};
                simulateTrialsTogether(plan, way.atOnce, tasks, way.depth);
            },
            stop);
    }
    return complete ? std::optional<ScenarioOutcomes>(std::move(outcomes)) : std::nullopt;
}

}  // namespace quillmere
