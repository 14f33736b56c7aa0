#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "design/calibration.h"

namespace quillmere {

// The look file of a calibration: two comment lines (the second names the
// design and its calibration rate), a header, then for every replicate one
// line per look run and an end line (look 0) with the duration of the trial
// run to the end. Scenarios and replicates are counted from 1; numbers are
// written to round-trip. Shards of replicates are merged like replicate files.
void writeLookFile(std::ostream& out, const DesignSettings& design, const CalibrationLooks& looks,
                   ReplicateRange range);

// Combines look files of shards into every replicate of the design. Refuses
// files of another design, malformed or implausible lines, a replicate given
// twice and a missing replicate, with one message line per problem (file,
// line and field named).
std::optional<CalibrationLooks> mergeLookFiles(const std::vector<std::string>& fileNames,
                                               const DesignSettings& design,
                                               std::ostream& messages);

}  // namespace quillmere
