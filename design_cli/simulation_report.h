#pragma once

#include <filesystem>
#include <ostream>
#include <vector>

#include "design/design_settings.h"
#include "design/operating_characteristics.h"
#include "design/simulation_runner.h"

namespace quillmere {

// The summaries of all scenarios, reduced in replicate order.
std::vector<ScenarioSummary> summariseOutcomes(const DesignSettings& design,
                                               const ScenarioOutcomes& outcomes);

// The complete result of a simulation of all replicates: the tables on
// `console`, and in `directory` the files replicates.csv,
// operating_characteristics.csv, stopping_by_look.csv and
// operating_characteristics.svg. A single run and merged shards both end
// here, so their files are the same.
void writeSimulationReport(const DesignSettings& design, const ScenarioOutcomes& outcomes,
                           const std::filesystem::path& directory, std::ostream& console);

}  // namespace quillmere
