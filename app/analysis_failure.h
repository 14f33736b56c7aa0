#pragma once

#include <ostream>

#include "analysis/analysis_types.h"

namespace quillmere {

// Shows an analysis failure as the program always has: its text on standard
// output or standard error. Returns the exit status the run ends with.
int showAnalysisFailure(const AnalysisError& error, std::ostream& out, std::ostream& err);

}  // namespace quillmere
