#include "design/trial_lanes.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <vector>

#include "design/look_decision.h"
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

// How far the current look's imputation must go: a traced look reports its
// probability; an untraced one only needs its advice, when the plan allows.
RunGoal lookGoal(const Lane& lane, LookDepth depth) {
    if (lane.task.trace != nullptr || depth == LookDepth::PosteriorResult) {
        return {RunExtent::PosteriorResult};
    }
    return {RunExtent::Advice, lane.trial.settings.cutoffProbability};
}

// Prepares the trial's next look and starts its imputation from the
// program's fixed random starting states under the design's hazard model, as
// analyseRecord does; false when the trial has no look left. A method that
// does not impute decides its looks here at once.
bool startNextLook(Lane& lane, const DesignSettings& design, LookDepth depth) {
    while (design.method != LateOutcomeMethod::Imputation) {
        if (!advanceToNextLook(lane.trial, design)) {
            return false;
        }
        recordLook(lane.trial,
                   decideWithoutImputation(lane.trial.snapshot, lane.trial.settings, design.method),
                   lane.task.trace);
    }
    if (!advanceToNextLook(lane.trial, design)) {
        return false;
    }
    fillTrialRecord(lane.record, lane.trial.snapshot.patients, lane.trial.settings);
    lane.priorOnly = prepareLookRecord(lane.record);
    lane.state = EngineState{};
    configureHazardModel(lane.state, lane.trial.settings);
    startImputation(lane.run, lane.record, lane.trial.settings.eventType, lane.state,
                    PosteriorEvaluation::Fast, lookGoal(lane, depth));
    return true;
}

// Gives the lane the next trial that has a look to run; trials without one
// are complete at once. The lane is idle when no trial is left.
void startNextTrial(Lane& lane, const SimulationPlan& plan, LookDepth depth,
                    const TrialTasks& tasks) {
    lane.busy = false;
    while (const std::optional<TrialTask> task = tasks.next()) {
        lane.task = *task;
        lane.trial = beginTrial(plan, task->scenario, task->replicate);
        if (startNextLook(lane, plan.design, depth)) {
            lane.busy = true;
            return;
        }
        *lane.task.outcome = lane.trial.outcome;
        tasks.done();
    }
}

// What the finished imputation decides: its advice, when it ended as soon as
// that was certain (there is no probability then), else the look's result.
LookResult finishedLookResult(const Lane& lane) {
    if (lane.run.settledTermination) {
        return {NAN, *lane.run.settledTermination, lane.priorOnly};
    }
    return decideLook(lane.record, lane.trial.settings, lane.priorOnly);
}

// Records the finished look and moves the lane on: to the trial's next look,
// or to the next trial.
void finishLook(Lane& lane, const SimulationPlan& plan, LookDepth depth, const TrialTasks& tasks) {
    if (lane.run.result != 0) {
        throw std::runtime_error(lookFailureText(lane.trial, samplerFailureText(lane.run.result)));
    }
    recordLook(lane.trial, finishedLookResult(lane), lane.task.trace);
    if (startNextLook(lane, plan.design, depth)) {
        return;
    }
    *lane.task.outcome = lane.trial.outcome;
    tasks.done();
    startNextTrial(lane, plan, depth, tasks);
}

}  // namespace

void simulateTrialsTogether(const SimulationPlan& plan, int lanes, const TrialTasks& tasks,
                            LookDepth depth) {
    // Each lane holds a record of about 100 KB: on the heap, allocated once.
    std::vector<Lane> lane(static_cast<std::size_t>(std::max(lanes, 1)));
    for (Lane& each : lane) {
        startNextTrial(each, plan, depth, tasks);
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
                finishLook(each, plan, depth, tasks);
            }
        }
    }
}

}  // namespace quillmere
