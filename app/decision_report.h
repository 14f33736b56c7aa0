#pragma once

#include <ostream>

#include "analysis/analysis_types.h"
#include "trial/trial_data.h"

namespace quillmere {

// Writes the analysis' result line and decision box to the report and the
// advice to the console. When part of the window holds no follow-up at all while a
// pending patient reaches into it, a warning precedes the advice and follows
// the box in the report.
void reportDecision(std::ostream& report, const TrialData& data, const AnalysisResult& result,
                    double cutoffProbability);

}  // namespace quillmere
