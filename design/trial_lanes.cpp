#include "design/trial_lanes.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "engine/engine.h"

namespace quillmere {
namespace {

// One trial under simulation with the analysis of its current look.
struct Lane {
    TrialTask task;
    TrialProgress trial;
    TrialData record;
    EngineState state;
    ImputationRun run;
    bool priorOnly = false;
    bool busy = false;
};

// Prepares the trial's next look and starts its imputation from the
// program's fixed random starting states under the design's hazard model, as
// analyseRecord does; false when the trial has no look left.
bool startNextLook(Lane& lane, const DesignSettings& design) {
    if (!advanceToNextLook(lane.trial, design)) {
        return false;
    }
    fillTrialRecord(lane.record, lane.trial.snapshot.patients, lane.trial.settings);
    lane.priorOnly = prepareLookRecord(lane.record);
    lane.state = EngineState{};
    configureHazardModel(lane.state, lane.trial.settings);
    startImputation(lane.run, lane.record, lane.trial.settings.eventType, lane.state);
    return true;
}

// Gives the lane the next trial that has a look to run; trials without one
// are complete at once. The lane is idle when no trial is left.
void startNextTrial(Lane& lane, const SimulationPlan& plan, const TrialTasks& tasks) {
    lane.busy = false;
    while (const std::optional<TrialTask> task = tasks.next()) {
        lane.task = *task;
        lane.trial = beginTrial(plan, task->scenario, task->replicate);
        if (startNextLook(lane, plan.design)) {
            lane.busy = true;
            return;
        }
        *lane.task.outcome = lane.trial.outcome;
        tasks.done();
    }
}

// Records the finished look and moves the lane on: to the trial's next look,
// or to the next trial.
void finishLook(Lane& lane, const SimulationPlan& plan, const TrialTasks& tasks) {
    if (lane.run.result != 0) {
        throw std::runtime_error(lookFailureText(lane.trial, samplerFailureText(lane.run.result)));
    }
    recordLook(lane.trial, decideLook(lane.record, lane.trial.settings, lane.priorOnly),
               lane.task.trace);
    if (startNextLook(lane, plan.design)) {
        return;
    }
    *lane.task.outcome = lane.trial.outcome;
    tasks.done();
    startNextTrial(lane, plan, tasks);
}

}  // namespace

void simulateTrialsTogether(const SimulationPlan& plan, int lanes, const TrialTasks& tasks) {
    // Each lane holds a record of about 100 KB: on the heap, allocated once.
    std::vector<Lane> lane(static_cast<std::size_t>(std::max(lanes, 1)));
    for (Lane& each : lane) {
        startNextTrial(each, plan, tasks);
    }
    std::vector<ImputationRun*> running;
    ForesightScratch scratch;
    while (!tasks.stopped()) {
        running.clear();
        for (Lane& each : lane) {
            if (each.busy) {
                running.push_back(&each.run);
            }
        }
        if (running.empty()) {
            return;
        }
        foreseeTogether(running, scratch);
        for (Lane& each : lane) {
            if (!each.busy) {
                continue;
            }
            continueImputation(each.run);
            if (each.run.finished) {
                finishLook(each, plan, tasks);
            }
        }
    }
}

}  // namespace quillmere
