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
    std::vector<SimulatedPatient> cohort;    // in the design's own unit
    std::vector<SimulatedPatient> analysed;  // in the unit the looks are analysed in
    int look = 0;                            // the current look
    LookSnapshot snapshot;                   // its data
    TrialOutcome outcome;
    bool finished = false;  // the outcome is complete
};

TrialProgress beginTrial(const SimulationPlan& plan, int scenario, int replicate);

// Moves on to the next look the run-in lets run and takes its snapshot. False
// when none is left: the trial ran to maxPatients and its outcome is complete.
bool advanceToNextLook(TrialProgress& trial, const DesignSettings& design);

// Counts the current look's result; a look that advises termination stops the
// trial. `trace`, when given, receives the look (and its snapshot).
void recordLook(TrialProgress& trial, const LookResult& result, std::vector<LookTrace>* trace);

// A failure at a look, named by the look: "Scenario s, replicate r, look l: "
// and what failed.
std::string lookFailureText(const TrialProgress& trial, const std::string& failure);

// Simulates replicate `replicate` of scenario `scenario` (both counted from 0)
// on the caller's working record; `trace`, when given, receives every look run.
TrialOutcome simulateTrial(const SimulationPlan& plan, int scenario, int replicate, TrialData& work,
                           std::vector<LookTrace>* trace = nullptr);

// The patients of that replicate in the design's own unit.
std::vector<SimulatedPatient> replicateCohort(const DesignSettings& design, int scenario,
                                              int replicate);

}  // namespace quillmere
