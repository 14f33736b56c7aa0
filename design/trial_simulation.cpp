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
LookResult analyseLook(TrialData& work, const AnalysisSettings& settings, int scenario,
                       int replicate, int look) {
    try {
        return analyseRecord(work, settings);
    } catch (const std::runtime_error& failure) {
        throw std::runtime_error(
            formatted("Scenario %d, replicate %d, look %d: ", scenario + 1, replicate + 1, look) +
            failure.what());
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

TrialOutcome simulateTrial(const SimulationPlan& plan, int scenario, int replicate, TrialData& work,
                           std::vector<LookTrace>* trace) {
    const DesignSettings& design = plan.design;
    const AnalysisSettings settings = analysisSettings(plan);
    const std::vector<SimulatedPatient> cohort = replicateCohort(design, scenario, replicate);
    const std::vector<SimulatedPatient> analysed = scaledCohort(cohort, plan.timeScale);
    TrialOutcome outcome;
    for (int look = 1; look <= scheduledLookCount(design); ++look) {
        const int enrolled = enrolledAtLook(design, look);
        LookSnapshot snapshot = takeSnapshot(analysed, enrolled, settings.maxEvaluationWindow);
        if (snapshot.completed < design.minCompleted) {
            continue;
        }
        fillTrialRecord(work, snapshot.patients, settings);
        const LookResult result = analyseLook(work, settings, scenario, replicate, look);
        ++outcome.looksRun;
        outcome.pendingAtLooks += snapshot.pending;
        outcome.priorOnlyLooks += result.priorOnly ? 1 : 0;
        if (trace != nullptr) {
            trace->push_back({look, std::move(snapshot), result});
        }
        if (result.terminate) {
            outcome.stopLook = look;
            outcome.enrolled = enrolled;
            outcome.duration = cohort[enrolled].arrivalTime;
            return outcome;
        }
    }
    outcome.enrolled = design.maxPatients;
    outcome.duration = completionTime(cohort, design.maxEvaluationWindow);
    return outcome;
}

}  // namespace quillmere
