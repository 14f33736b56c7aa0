#pragma once

#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "design/look_schedule.h"

namespace quillmere {

// The monitoring rule in the time unit the look's data are written in.
using AnalysisSettings = MonitoringRule;

// A look's patients as the analysis takes them, identified P001, P002, ...
AnalysisInput lookInput(const std::vector<PatientLine>& patients, const AnalysisSettings& settings);

// Fills the record the way the console run does after reading a data file
// with these patients.
void fillTrialRecord(TrialData& data, const std::vector<PatientLine>& patients,
                     const AnalysisSettings& settings);

// What quillmere decides on a look's data.
struct LookResult {
    double reportedProbability = 0.0;
    bool terminate = false;
    bool priorOnly = false;  // the imputation rests on the prior alone somewhere
};

// Runs the analysis on a filled record from the program's fixed random
// starting states, exactly as a fresh run of quillmere would. Throws
// std::runtime_error with the console program's text when it fails.
LookResult analyseRecord(TrialData& data, const AnalysisSettings& settings);

// analyseRecord in its parts, for drivers that run the imputation themselves:
// the exposure table and whether the imputation rests on the prior alone
// somewhere; the text of a sampler failure; the decision on the imputation's
// posterior result.
bool prepareLookRecord(TrialData& data);
std::string samplerFailureText(int code);
LookResult decideLook(const TrialData& data, const AnalysisSettings& settings, bool priorOnly);

}  // namespace quillmere
