#include "design/trial_simulation.h"

#include <algorithm>
#include <stdexcept>

#include "design/look_decision.h"
#include "design/text_format.h"

namespace quillmere {
namespace {

// The moment the outcome of the last of the first `enrolled` patients is known.
double completionTime(const std::vector<SimulatedPatient>& cohort, std::size_t enrolled,
                      double window) {
    double end = 0.0;
    for (std::size_t i = 0; i < enrolled; ++i) {
        end = std::max(end, cohort[i].arrivalTime + std::min(cohort[i].eventTime, window));
    }
    return end;
}

// Under suspension enrolment waits at the look until every enrolled patient's
// outcome is known: the patients still to come arrive later by the wait, with
// the same gaps between them.
void waitForOutcomes(TrialProgress& trial, int enrolled, double window) {
    const std::size_t first = static_cast<std::size_t>(enrolled);
    const double wait =
        completionTime(trial.cohort, first, window) - trial.cohort.at(first).arrivalTime;
    if (!(wait > 0)) {
        return;
    }
    for (std::size_t i = first; i < trial.cohort.size(); ++i) {
        trial.cohort[i].arrivalTime += wait;
    }
    trial.analysed = scaledCohort(trial.cohort, trial.timeScale);
}

// The engine's result, or its failure named by the look it happened at; a
// method that does not impute decides on the look's data at once.
LookResult analyseLook(TrialData& work, const TrialProgress& trial, LateOutcomeMethod method) {
    if (method != LateOutcomeMethod::Imputation) {
        return decideWithoutImputation(trial.snapshot, trial.settings, method);
    }
    fillTrialRecord(work, trial.snapshot.patients, trial.settings);
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
    trial.timeScale = plan.timeScale;
    trial.cohort = replicateCohort(plan.design, scenario, replicate);
    trial.analysed = scaledCohort(trial.cohort, plan.timeScale);
    return trial;
}

bool advanceToNextLook(TrialProgress& trial, const DesignSettings& design) {
    if (trial.finished) {
        return false;
    }
    while (++trial.look <= scheduledLookCount(design)) {
        const int enrolled = enrolledAtLook(design, trial.look);
        if (design.method == LateOutcomeMethod::Suspension) {
            // After the wait every outcome is known: the run-in holds back
            // only the looks with fewer patients, and those need no wait.
            if (enrolled < design.minCompleted) {
                continue;
            }
            waitForOutcomes(trial, enrolled, design.maxEvaluationWindow);
            trial.snapshot =
                completeSnapshot(trial.analysed, enrolled, trial.settings.maxEvaluationWindow);
            return true;
        }
        trial.snapshot = takeSnapshot(trial.analysed, enrolled, trial.settings.maxEvaluationWindow);
        if (trial.snapshot.completed >= design.minCompleted) {
            return true;
        }
    }
    trial.outcome.enrolled = design.maxPatients;
    trial.outcome.duration =
        completionTime(trial.cohort, trial.cohort.size(), design.maxEvaluationWindow);
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
        recordLook(trial, analyseLook(work, trial, plan.design.method), trace);
    }
    return trial.outcome;
}

}  // namespace quillmere
