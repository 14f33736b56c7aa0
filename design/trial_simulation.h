#pragma once

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

// Simulates replicate `replicate` of scenario `scenario` (both counted from 0)
// on the caller's working record; `trace`, when given, receives every look run.
TrialOutcome simulateTrial(const SimulationPlan& plan, int scenario, int replicate, TrialData& work,
                           std::vector<LookTrace>* trace = nullptr);

// The patients of that replicate in the design's own unit.
std::vector<SimulatedPatient> replicateCohort(const DesignSettings& design, int scenario,
                                              int replicate);

}  // namespace quillmere
