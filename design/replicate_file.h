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

// One trial's line of a replicate file; scenario and replicate from 1.
struct ReplicateLine {
    int scenario = 0;
    int replicate = 0;
    TrialOutcome outcome;
};

// What a replicate file of the design holds. Every line is checked: each
// field is a number, and the outcome is one this design can give (counts
// within N, looks within the schedule, durations >= 0, the number enrolled
// matching the stop look). Each problem names the file, the line and the
// field; only lines without any are kept. CR LF line ends and blank lines
// are accepted.
struct ReplicateFileContent {
    std::vector<ReplicateLine> lines;
    std::vector<std::string> problems;
};

ReplicateFileContent readReplicateFile(std::istream& in, const std::string& fileName,
                                       const DesignSettings& design);

// Why an outcome cannot come from the design: the field and the reason, or
// nothing when it can.
struct FieldProblem {
    std::string field;
    std::string reason;
};
std::optional<FieldProblem> implausibleOutcome(const DesignSettings& design,
                                               const TrialOutcome& outcome);

// Combines shard files into the outcomes of all replicates of the design.
// Refuses shards of another design, implausible lines, a replicate given
// twice and a missing replicate, with one message line per problem.
std::optional<ScenarioOutcomes> mergeReplicateFiles(const std::vector<std::string>& fileNames,
                                                    const DesignSettings& design,
                                                    std::ostream& messages);

}  // namespace quillmere
