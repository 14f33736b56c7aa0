#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "design/design_settings.h"
#include "design/simulation_runner.h"

namespace quillmere {

// The file of per-replicate outcomes that every simulation writes and that
// shards are merged from: two comment lines (the second names the design by
// its fingerprint), a header, then one line per trial with the scenario and
// replicate counted from 1 and the duration written to round-trip.
void writeReplicateFile(std::ostream& out, const DesignSettings& design,
                        const ScenarioOutcomes& outcomes, ReplicateRange range);

// Combines shard files into the outcomes of all replicates of the design.
// Refuses shards of another design, a replicate given twice and a missing
// replicate, with one message line per problem.
std::optional<ScenarioOutcomes> mergeReplicateFiles(const std::vector<std::string>& fileNames,
                                                    const DesignSettings& design,
                                                    std::ostream& messages);

}  // namespace quillmere
