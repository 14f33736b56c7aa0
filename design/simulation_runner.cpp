#include "design/simulation_runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <thread>

namespace quillmere {
namespace {

struct SharedWork {
    SharedWork(const SimulationPlan& plan, ReplicateRange range, ScenarioOutcomes& outcomes)
        : plan(plan), range(range), outcomes(outcomes) {}

    const SimulationPlan& plan;
    ReplicateRange range;
    ScenarioOutcomes& outcomes;
    long total = 0;
    std::atomic<long> nextTask{0};
    std::atomic<long> doneTasks{0};
    std::atomic<bool> failed{false};
    std::mutex failureMutex;
    std::exception_ptr failure;
};

void runTasks(SharedWork& work) {
    // Each worker owns its record (about 100 KB, so not on the stack).
    std::vector<TrialData> record(1);
    const long perScenario = work.range.size();
    try {
        for (long task = work.nextTask++; task < work.total && !work.failed;
             task = work.nextTask++) {
            const int scenario = static_cast<int>(task / perScenario);
            const int offset = static_cast<int>(task % perScenario);
            work.outcomes[scenario][offset] =
                simulateTrial(work.plan, scenario, work.range.first + offset, record[0]);
            ++work.doneTasks;
        }
    } catch (...) {
        const std::lock_guard<std::mutex> lock(work.failureMutex);
        if (!work.failure) {
            work.failure = std::current_exception();
        }
        work.failed = true;
    }
}

}  // namespace

ScenarioOutcomes runSimulation(const SimulationPlan& plan, ReplicateRange range, int threads,
                               const ProgressCallback& progress) {
    const int scenarios = static_cast<int>(plan.design.trueRates.size());
    ScenarioOutcomes outcomes(scenarios, std::vector<TrialOutcome>(range.size()));
    SharedWork work(plan, range, outcomes);
    work.total = static_cast<long>(scenarios) * range.size();
    std::vector<std::thread> workers;
    const long workerCount = std::clamp<long>(threads, 1, std::max<long>(work.total, 1));
    for (long i = 0; i < workerCount; ++i) {
        workers.emplace_back(runTasks, std::ref(work));
    }
    while (work.doneTasks < work.total && !work.failed) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        progress(work.doneTasks, work.total);
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (work.failure) {
        std::rethrow_exception(work.failure);
    }
    progress(work.total, work.total);
    return outcomes;
}

}  // namespace quillmere
