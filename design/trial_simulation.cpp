#include "design/trial_simulation.h"

#include <algorithm>
#include <stdexcept>

#include "design/text_format.h"

namespace quillmere {
namespace {

// The moment the last enrolled patient's outcome is known.
double completionTime(const std::vector<SimulatedPatient>& cohort, double window) {
    double end = 0.0;
    for (const SimulatedPatient& patient : cohort) {
        end = std::max(end, patient.arrivalTime + std::min(patient.eventTime, window));
    }
    return end;
}

// The engine's result, or its failure named by the look it happened at.
LookResult analyseLook(TrialData& work, const TrialProgress& trial) {
    try {
        return analyseRecord(work, trial.settings);
    } catch (const std::runtime_error& failure) {
        throw std::runtime_error(lookFailureText(trial, failure.what()));
    }
}

}  // namespace

AnalysisSettings analysisSettings(const SimulationPlan& plan) {
    const DesignSettings& design = plan.design;
    return {design.eventType,         design.rateBound,
            design.cutoffProbability, design.maxEvaluationWindow * plan.timeScale,
            design.hazardPriorShape,  design.hazardRange};
}

std::vector<SimulatedPatient> replicateCohort(const DesignSettings& design, int scenario,
                                              int replicate) {
    RandomStream stream = replicateStream(design.seed, scenario, replicate);
    return simulateCohort(design, design.trueRates.at(scenario), stream);
}

TrialProgress beginTrial(const SimulationPlan& plan, int scenario, int replicate) {
    TrialProgress trial;
    trial.scenario = scenario;
    trial.replicate = replicate;
    trial.settings = analysisSettings(plan);
    trial.cohort = replicateCohort(plan.design, scenario, replicate);
    trial.analysed = scaledCohort(trial.cohort, plan.timeScale);
    return trial;
}

bool advanceToNextLook(TrialProgress& trial, const DesignSettings& design) {
    if (trial.finished) {
        return false;
    }
    while (++trial.look <= scheduledLookCount(design)) {
        trial.snapshot = takeSnapshot(trial.analysed, enrolledAtLook(design, trial.look),
                                      trial.settings.maxEvaluationWindow);
        if (trial.snapshot.completed >= design.minCompleted) {
            return true;
        }
    }
    trial.outcome.enrolled = design.maxPatients;
    trial.outcome.duration = completionTime(trial.cohort, design.maxEvaluationWindow);
    trial.finished = true;
    return false;
}

void recordLook(TrialProgress& trial, const LookResult& result, std::vector<LookTrace>* trace) {
    TrialOutcome& outcome = trial.outcome;
    const int enrolled = trial.snapshot.enrolled;
    ++outcome.looksRun;
    outcome.pendingAtLooks += trial.snapshot.pending;
    outcome.priorOnlyLooks += result.priorOnly ? 1 : 0;
    if (trace != nullptr) {
        trace->push_back({trial.look, std::move(trial.snapshot), result});
    }
    if (result.terminate) {
        outcome.stopLook = trial.look;
        outcome.enrolled = enrolled;
        outcome.duration = trial.cohort[enrolled].arrivalTime;
        trial.finished = true;
    }
}

std::string lookFailureText(const TrialProgress& trial, const std::string& failure) {
    return formatted("Scenario %d, replicate %d, look %d: ", trial.scenario + 1,
                     trial.replicate + 1, trial.look) +
           failure;
}

TrialOutcome simulateTrial(const SimulationPlan& plan, int scenario, int replicate, TrialData& work,
                           std::vector<LookTrace>* trace) {
    TrialProgress trial = beginTrial(plan, scenario, replicate);
    while (advanceToNextLook(trial, plan.design)) {
        fillTrialRecord(work, trial.snapshot.patients, trial.settings);
        recordLook(trial, analyseLook(work, trial), trace);
    }
    return trial.outcome;
}

}  // namespace quillmere
