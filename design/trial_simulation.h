#pragma once

#include <string>
#include <vector>

#include "design/design_settings.h"
#include "design/look_analysis.h"
#include "design/look_schedule.h"
#include "trial/trial_data.h"

namespace quillmere {

// A design to simulate, with the time unit its looks are analysed in: every
// time of the design is multiplied by `timeScale` before quillmere sees it.
struct SimulationPlan {
    DesignSettings design;
    double timeScale = 1.0;
};

AnalysisSettings analysisSettings(const SimulationPlan& plan);

// How one simulated trial went. Times are in the design's own unit.
struct TrialOutcome {
    int stopLook = 0;  // the look that stopped the trial; 0 when it ran to maxPatients
    int enrolled = 0;
    double duration = 0.0;  // to the stopping look, else until every outcome is known
    int looksRun = 0;       // looks not skipped by the run-in
    int pendingAtLooks = 0;
    int priorOnlyLooks = 0;
};

// One look that was run, for tools that want to see it.
struct LookTrace {
    int look = 0;
    LookSnapshot snapshot;
    LookResult result;
};

// A trial simulated look by look, for drivers that run the looks' analyses
// themselves (simulateTrial is the plain one).
struct TrialProgress {
    int scenario = 0;
    int replicate = 0;
    AnalysisSettings settings;
    // The replicate's patients in the design's own unit, as the method enrols
    // them (under suspension later by the waits so far), and the same in the
    // unit the looks are analysed in: `timeScale` times the design's.
    std::vector<SimulatedPatient> cohort;
    std::vector<SimulatedPatient> analysed;
    double timeScale = 1.0;
    int look = 0;           // the current look
    LookSnapshot snapshot;  // its data
    TrialOutcome outcome;
    bool finished = false;  // the outcome is complete
};

TrialProgress beginTrial(const SimulationPlan& plan, int scenario, int replicate);

// Moves on to the next look the run-in lets run and takes its snapshot. False
// when none is left: the trial ran to maxPatients and its outcome is complete.
// Under suspension the look first waits until every enrolled patient's
// outcome is known (the patients after it arrive later by the wait, with the
// same gaps), and the run-in holds back only looks with fewer patients.
bool advanceToNextLook(TrialProgress& trial, const DesignSettings& design);

// Counts the current look's result; a look that advises termination stops the
// trial. `trace`, when given, receives the look (and its snapshot).
void recordLook(TrialProgress& trial, const LookResult& result, std::vector<LookTrace>* trace);

// A failure at a look, named by the look: "Scenario s, replicate r, look l: "
// and what failed.
std::string lookFailureText(const TrialProgress& trial, const std::string& failure);

// Simulates replicate `replicate` of scenario `scenario` (both counted from 0)
// on the caller's working record; `trace`, when given, receives every look run.
// Each look is decided as the design's method decides it: by the engine's
// imputation, or at once from the look's data.
TrialOutcome simulateTrial(const SimulationPlan& plan, int scenario, int replicate, TrialData& work,
                           std::vector<LookTrace>* trace = nullptr);

// The patients of that replicate in the design's own unit.
std::vector<SimulatedPatient> replicateCohort(const DesignSettings& design, int scenario,
                                              int replicate);

}  // namespace quillmere
