#pragma once

#include <ostream>
#include <vector>

#include "design/design_settings.h"
#include "design/look_comparison.h"
#include "design/operating_characteristics.h"
#include "design/simulation_runner.h"

namespace quillmere {

// The simulation of the design with its times written in one unit.
struct UnitRun {
    TimeUnit unit;
    double factor = 1.0;  // design time -> this unit
    ScenarioOutcomes outcomes;
    std::vector<ScenarioSummary> summaries;
};

// Share of the trials of a scenario whose outcome (the stopping look, or no
// stop) differs between two runs of the same replicates.
double differingShare(const std::vector<TrialOutcome>& a, const std::vector<TrialOutcome>& b);

// Side by side: what the design's hazard range means over the window in each
// unit, then the operating characteristics per unit and the
// share of trials decided otherwise than in the reference unit.
void writeUnitsTable(std::ostream& out, const DesignSettings& design,
                     const std::vector<UnitRun>& runs, const UnitRun& reference);

void writeUnitsCsv(std::ostream& out, const DesignSettings& design,
                   const std::vector<UnitRun>& runs, const UnitRun& reference);

// The paired comparison of single looks: the mean reported probability and
// the share of decisions other than in the reference unit, per unit and rate.
void writeSameLooksTable(std::ostream& out, const DesignSettings& design,
                         const std::vector<UnitRun>& runs, const SameLookTable& table,
                         int replicates);
void writeSameLooksCsv(std::ostream& out, const DesignSettings& design,
                       const std::vector<UnitRun>& runs, const SameLookTable& table);

}  // namespace quillmere
