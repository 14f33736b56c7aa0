#pragma once

#include <ostream>
#include <string>

#include "design/stability.h"

namespace quillmere {

// What the stability command prints: quillmere's own result, the mean over
// the runs with its standard error, the spread of one run and the share of
// runs whose advice differs.
void writeStabilityText(std::ostream& out, const AnalysisInput& input, const StabilityPlan& plan,
                        const StabilityStudy& study);

// One row per run: run,probability,terminate.
void writeStabilityCsv(std::ostream& out, const StabilityStudy& study);

}  // namespace quillmere
