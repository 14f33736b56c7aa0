#pragma once

// Console driver: the program's entry and dialogue, the patient data file,
// the input echo, the decision and the report.
#include "analysis/exit_status.h"
#include "app/process_state.h"
#include "trial/decision.h"
#include "trial/trial_record.h"

namespace quillmere {

// The whole console run; returns the program's exit status.
int runQuillmere(int argc, const char* const* argv);

}  // namespace quillmere
