#pragma once

#include <vector>

#include "design/look_schedule.h"
#include "trial/trial_data.h"

namespace quillmere {

// The monitoring rule in the time unit the look's data are written in.
struct AnalysisSettings {
    EventType eventType = EventType::Toxicity;
    double rateBound = 0.0;
    double cutoffProbability = 0.0;
    double maxEvaluationWindow = 0.0;
};

// Fills the record the way the console run does after reading a data file
// with these patients (identifiers P001, P002, ...).
void fillTrialRecord(TrialData& data, const std::vector<PatientLine>& patients,
                     const AnalysisSettings& settings);

// What quillmere decides on a look's data.
struct LookResult {
    double reportedProbability = 0.0;
    bool terminate = false;
    bool priorOnly = false;  // the imputation rests on the prior alone somewhere
};

// Runs the engine on a filled record from the program's fixed random starting
// states, exactly as a fresh run of quillmere would. Throws std::runtime_error
// with the sampler's code when the sampler fails.
LookResult analyseRecord(TrialData& data, const AnalysisSettings& settings);

}  // namespace quillmere
