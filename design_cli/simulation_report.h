#pragma once

#include <ostream>
#include <vector>

#include "design/design_settings.h"
#include "design/late_outcomes.h"
#include "design/operating_characteristics.h"
#include "design/simulation_runner.h"
#include "design_cli/output_file.h"

namespace quillmere {

// The files of a simulation of all replicates: replicates.csv,
// operating_characteristics.csv, stopping_by_look.csv, late_outcomes.csv and
// the three plots. A single run and merged shards both write these, so their
// files are the same. The writers refer to the arguments, which must outlive
// them.
std::vector<ResultFile> simulationResultFiles(const DesignSettings& design,
                                              const ScenarioOutcomes& outcomes,
                                              const SimulationSummaries& summaries);

// What such a simulation leaves in its output directory.
ResultSet simulationResultSet(const DesignSettings& design);

// The design and the tables of a whole simulation, for the console.
void writeSimulationTables(std::ostream& console, const DesignSettings& design,
                           const SimulationSummaries& summaries);

// "replicates.csv, ..., late_outcomes.svg": the files of a whole simulation.
std::string simulationFileList(const DesignSettings& design);

}  // namespace quillmere
