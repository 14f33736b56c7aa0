#pragma once

#include <ostream>

#include "trial/trial_data.h"

namespace quillmere {

// Two line ends, the rule of dashes and the local date and time.
void writeRunHeader(std::ostream& report);

// The settings and the patient table as read, for the user to compare with
// what was entered.
void writeInputEcho(std::ostream& report, const TrialData& data, double cutoffProbability);

}  // namespace quillmere
