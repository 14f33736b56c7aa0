#pragma once

#include "design/boundaries.h"
#include "design/late_outcome_method.h"
#include "design/look_analysis.h"
#include "design/look_schedule.h"

namespace quillmere {

// The evidence of a look's patients under the method: complete non-events
// weigh 1; a pending patient weighs follow-up / window under Weighted and
// nothing otherwise (under Suspension every patient is complete).
BetaEvidence lookEvidence(const std::vector<PatientLine>& patients, double window,
                          LateOutcomeMethod method);

// The decision of a method that does not impute on a look's data.
LookResult decideWithoutImputation(const LookSnapshot& snapshot, const AnalysisSettings& settings,
                                   LateOutcomeMethod method);

}  // namespace quillmere
