#pragma once

#include <ostream>
#include <vector>

#include "design/boundaries.h"
#include "design/design_settings.h"
#include "design/late_outcomes.h"
#include "design/operating_characteristics.h"

namespace quillmere {

// One row per scenario.
void writeOperatingCsv(std::ostream& out, const std::vector<ScenarioSummary>& summaries);
// One row per scenario and look.
void writeStopByLookCsv(std::ostream& out, const DesignSettings& design,
                        const std::vector<ScenarioSummary>& summaries);
// One row per scenario: the method, the expected duration and the patients
// enrolled after the data justified stopping (the overrun).
void writeLateOutcomeCsv(std::ostream& out, const DesignSettings& design,
                         const std::vector<LateOutcomeSummary>& summaries);
// One row per number of patients; the boundary is empty where the rule never stops.
void writeBoundaryCsv(std::ostream& out, const std::vector<BoundaryRow>& rows);

}  // namespace quillmere
