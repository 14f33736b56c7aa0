#include "design/replicate_file.h"

#include <fstream>
#include <sstream>

#include "design/look_schedule.h"
#include "design/text_format.h"

namespace quillmere {
namespace {

const char* const columns =
    "scenario,replicate,stop_look,enrolled,duration,looks_run,pending_at_looks,prior_only_looks";

std::string designLine(const DesignSettings& design) {
    return "# design: " + designFingerprint(design);
}

// Outcomes of one merge, with a mark for every replicate already seen.
struct MergeState {
    const DesignSettings& design;
    ScenarioOutcomes outcomes;
    std::vector<std::vector<bool>> seen;
    std::ostream& messages;
    bool valid = true;

    void fail(const std::string& line) {
        messages << line << '\n';
        valid = false;
    }
};

bool readOutcomeLine(const std::string& line, int& scenario, int& replicate,
                     TrialOutcome& outcome) {
    std::istringstream fields(line);
    fields.imbue(std::locale::classic());
    char c1, c2, c3, c4, c5, c6, c7;
    fields >> scenario >> c1 >> replicate >> c2 >> outcome.stopLook >> c3 >> outcome.enrolled >>
        c4 >> outcome.duration >> c5 >> outcome.looksRun >> c6 >> outcome.pendingAtLooks >> c7 >>
        outcome.priorOnlyLooks;
    const std::string commas{c1, c2, c3, c4, c5, c6, c7};
    return !fields.fail() && commas == std::string(7, ',') && (fields >> std::ws).eof();
}

void addOutcomeLine(MergeState& state, const std::string& fileName, const std::string& line) {
    int scenario = 0;
    int replicate = 0;
    TrialOutcome outcome;
    const int scenarios = static_cast<int>(state.design.trueRates.size());
    if (!readOutcomeLine(line, scenario, replicate, outcome) || scenario < 1 ||
        scenario > scenarios || replicate < 1 || replicate > state.design.trials ||
        outcome.stopLook < 0 || outcome.stopLook > scheduledLookCount(state.design)) {
        state.fail("Unreadable replicate line in (" + fileName + "): " + line);
        return;
    }
    if (state.seen[scenario - 1][replicate - 1]) {
        state.fail(formatted("Replicate %d of scenario %d appears twice (", replicate, scenario) +
                   fileName + ").");
        return;
    }
    state.seen[scenario - 1][replicate - 1] = true;
    state.outcomes[scenario - 1][replicate - 1] = outcome;
}

void addReplicateFile(MergeState& state, const std::string& fileName) {
    std::ifstream in(fileName);
    std::string title;
    std::string design;
    std::string header;
    if (!std::getline(in, title) || !std::getline(in, design) || !std::getline(in, header)) {
        state.fail("Failure to read replicate file (" + fileName + ").");
        return;
    }
    if (design != designLine(state.design) || header != columns) {
        state.fail("The replicate file (" + fileName + ") belongs to another design.");
        return;
    }
    for (std::string line; std::getline(in, line);) {
        addOutcomeLine(state, fileName, line);
    }
}

void reportMissing(MergeState& state) {
    for (std::size_t s = 0; s < state.seen.size(); ++s) {
        for (std::size_t r = 0; r < state.seen[s].size(); ++r) {
            if (!state.seen[s][r]) {
                state.fail(formatted("Replicate %zu of scenario %zu is missing.", r + 1, s + 1));
                return;  // one line is enough to say the shards are incomplete
            }
        }
    }
}

}  // namespace

void writeReplicateFile(std::ostream& out, const DesignSettings& design,
                        const ScenarioOutcomes& outcomes, ReplicateRange range) {
    out << "# quillmere-design replicates\n" << designLine(design) << '\n' << columns << '\n';
    for (std::size_t s = 0; s < outcomes.size(); ++s) {
        for (int r = 0; r < range.size(); ++r) {
            const TrialOutcome& o = outcomes[s][r];
            out << formatted("%zu,%d,%d,%d,%.17g,%d,%d,%d\n", s + 1, range.first + r + 1,
                             o.stopLook, o.enrolled, o.duration, o.looksRun, o.pendingAtLooks,
                             o.priorOnlyLooks);
        }
    }
}

std::optional<ScenarioOutcomes> mergeReplicateFiles(const std::vector<std::string>& fileNames,
                                                    const DesignSettings& design,
                                                    std::ostream& messages) {
    const std::size_t scenarios = design.trueRates.size();
    MergeState state{design, ScenarioOutcomes(scenarios, std::vector<TrialOutcome>(design.trials)),
                     std::vector<std::vector<bool>>(scenarios, std::vector<bool>(design.trials)),
                     messages};
    for (const std::string& fileName : fileNames) {
        addReplicateFile(state, fileName);
    }
    reportMissing(state);
    if (!state.valid) {
        return std::nullopt;
    }
    return std::move(state.outcomes);
}

}  // namespace quillmere
