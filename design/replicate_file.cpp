#include "design/replicate_file.h"

#include <array>
#include <cmath>
#include <fstream>

#include "design/look_schedule.h"
#include "design/text_format.h"

namespace quillmere {
namespace {

const char* const title = "# quillmere-design replicates";
const std::array<const char*, 8> fieldNames = {"scenario",         "replicate",       "stop_look",
                                               "enrolled",         "duration",        "looks_run",
                                               "pending_at_looks", "prior_only_looks"};

// Beyond this many in one file the problems are not listed: a file of another
// kind would otherwise fill the screen.
constexpr std::size_t listedProblems = 10;

std::string columns() {
    std::string header = fieldNames[0];
    for (std::size_t i = 1; i < fieldNames.size(); ++i) {
        header.append(",").append(fieldNames[i]);
    }
    return header;
}

std::string designLine(const DesignSettings& design) {
    return "# design: " + designFingerprint(design);
}

std::vector<std::string> splitFields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (const char c : line) {
        if (c == ',') {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

template <typename Number>
bool parseWhole(const std::string& text, Number& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = numberFromChars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end;
}

// The fields of a line into an outcome, or the first field that is not a number.
std::optional<FieldProblem> parseOutcomeLine(const std::vector<std::string>& fields,
                                             ReplicateLine& line) {
    std::array<int*, 7> whole = {&line.scenario,
                                 &line.replicate,
                                 &line.outcome.stopLook,
                                 &line.outcome.enrolled,
                                 &line.outcome.looksRun,
                                 &line.outcome.pendingAtLooks,
                                 &line.outcome.priorOnlyLooks};
    const std::array<int, 7> position = {0, 1, 2, 3, 5, 6, 7};
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (!parseWhole(fields[position[i]], *whole[i])) {
            return FieldProblem{fieldNames[position[i]],
                                "(" + fields[position[i]] + ") is not a whole number"};
        }
    }
    if (!parseWhole(fields[4], line.outcome.duration) || !std::isfinite(line.outcome.duration)) {
        return FieldProblem{"duration", "(" + fields[4] + ") is not a finite number"};
    }
    return std::nullopt;
}

std::optional<FieldProblem> outsideDesign(const DesignSettings& design, const ReplicateLine& line) {
    const int scenarios = static_cast<int>(design.trueRates.size());
    if (line.scenario < 1 || line.scenario > scenarios) {
        return FieldProblem{"scenario", formatted("(%d) is not a scenario of the design (1 to %d)",
                                                  line.scenario, scenarios)};
    }
    if (line.replicate < 1 || line.replicate > design.trials) {
        return FieldProblem{"replicate",
                            formatted("(%d) is not a replicate of the design (1 to %d)",
                                      line.replicate, design.trials)};
    }
    return implausibleOutcome(design, line.outcome);
}

// Reads the outcome lines after the header into `content`.
void readOutcomeLines(std::istream& in, const std::string& fileName, const DesignSettings& design,
                      ReplicateFileContent& content) {
    std::size_t problems = 0;
    int lineNumber = 3;
    for (std::string text; std::getline(in, text);) {
        ++lineNumber;
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        if (text.empty()) {
            continue;
        }
        const std::vector<std::string> fields = splitFields(text);
        ReplicateLine line;
        std::optional<FieldProblem> problem;
        if (fields.size() != fieldNames.size()) {
            problem = FieldProblem{"", formatted("%zu fields where there should be %zu",
                                                 fields.size(), fieldNames.size())};
        } else if (!(problem = parseOutcomeLine(fields, line))) {
            problem = outsideDesign(design, line);
        }
        if (!problem) {
            content.lines.push_back(line);
        } else if (++problems <= listedProblems) {
            content.problems.push_back("In (" + fileName + ") line " + std::to_string(lineNumber) +
                                       (problem->field.empty() ? "" : ", field " + problem->field) +
                                       ": " + problem->reason + ".");
        }
    }
    if (problems > listedProblems) {
        content.problems.push_back(formatted("%zu more lines of (", problems - listedProblems) +
                                   fileName + ") have problems.");
    }
}

// Outcomes of one merge, with a mark for every replicate already seen.
struct MergeState {
    ScenarioOutcomes outcomes;
    std::vector<std::vector<bool>> seen;
    std::ostream& messages;
    bool valid = true;

    void fail(const std::string& line) {
        messages << line << '\n';
        valid = false;
    }
};

void addReplicateFile(MergeState& state, const std::string& fileName,
                      const DesignSettings& design) {
    std::ifstream in(fileName, std::ios::binary);
    const ReplicateFileContent content = readReplicateFile(in, fileName, design);
    for (const std::string& problem : content.problems) {
        state.fail(problem);
    }
    for (const ReplicateLine& line : content.lines) {
        if (state.seen[line.scenario - 1][line.replicate - 1]) {
            state.fail(formatted("Replicate %d of scenario %d appears twice (", line.replicate,
                                 line.scenario) +
                       fileName + ").");
            continue;
        }
        state.seen[line.scenario - 1][line.replicate - 1] = true;
        state.outcomes[line.scenario - 1][line.replicate - 1] = line.outcome;
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
    out << title << '\n' << designLine(design) << '\n' << columns() << '\n';
    for (std::size_t s = 0; s < outcomes.size(); ++s) {
        for (int r = 0; r < range.size(); ++r) {
            const TrialOutcome& o = outcomes[s][r];
            out << formatted("%zu,%d,%d,%d,%.17g,%d,%d,%d\n", s + 1, range.first + r + 1,
                             o.stopLook, o.enrolled, o.duration, o.looksRun, o.pendingAtLooks,
                             o.priorOnlyLooks);
        }
    }
}

std::optional<FieldProblem> implausibleOutcome(const DesignSettings& design,
                                               const TrialOutcome& outcome) {
    const int looks = scheduledLookCount(design);
    const int stop = outcome.stopLook;
    if (stop < 0 || stop > looks) {
        return FieldProblem{"stop_look", formatted("(%d) is not a look of the design (0 for "
                                                   "none, 1 to %d)",
                                                   stop, looks)};
    }
    if (outcome.enrolled < 1 || outcome.enrolled > design.maxPatients) {
        return FieldProblem{"enrolled", formatted("(%d) is not a number of patients of the design "
                                                  "(1 to %d)",
                                                  outcome.enrolled, design.maxPatients)};
    }
    const int expected = stop > 0 ? enrolledAtLook(design, stop) : design.maxPatients;
    if (outcome.enrolled != expected) {
        return FieldProblem{
            "enrolled",
            stop > 0 ? formatted("(%d), but a trial stopped at look %d has %d patients enrolled",
                                 outcome.enrolled, stop, expected)
                     : formatted("(%d), but a trial that does not stop enrols all %d patients",
                                 outcome.enrolled, expected)};
    }
    if (!(outcome.duration >= 0)) {
        return FieldProblem{"duration",
                            formatted("(%s) is negative", roundTripText(outcome.duration).c_str())};
    }
    const int lastLook = stop > 0 ? stop : looks;
    if (outcome.looksRun < (stop > 0 ? 1 : 0) || outcome.looksRun > lastLook) {
        return FieldProblem{"looks_run", formatted("(%d), but the trial can run %d to %d looks",
                                                   outcome.looksRun, stop > 0 ? 1 : 0, lastLook)};
    }
    const long mostPending =
        static_cast<long>(outcome.looksRun) * (looks > 0 ? enrolledAtLook(design, lastLook) : 0);
    if (outcome.pendingAtLooks < 0 || outcome.pendingAtLooks > mostPending) {
        return FieldProblem{"pending_at_looks",
                            formatted("(%d), but %d looks hold 0 to %ld pending patients",
                                      outcome.pendingAtLooks, outcome.looksRun, mostPending)};
    }
    if (outcome.priorOnlyLooks < 0 || outcome.priorOnlyLooks > outcome.looksRun) {
        return FieldProblem{"prior_only_looks",
                            formatted("(%d), but the trial ran %d looks", outcome.priorOnlyLooks,
                                      outcome.looksRun)};
    }
    return std::nullopt;
}

ReplicateFileContent readReplicateFile(std::istream& in, const std::string& fileName,
                                       const DesignSettings& design) {
    ReplicateFileContent content;
    std::array<std::string, 3> head;
    for (std::string& line : head) {
        if (!std::getline(in, line)) {
            content.problems.push_back("Failure to read replicate file (" + fileName + ").");
            return content;
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
    }
    if (head[0] != title) {
        content.problems.push_back("The file (" + fileName +
                                   ") is not a replicate file of quillmere-design.");
    } else if (head[1] != designLine(design)) {
        content.problems.push_back("The replicate file (" + fileName +
                                   ") belongs to another design.");
    } else if (head[2] != columns()) {
        content.problems.push_back("In (" + fileName + ") line 3: the column header is not " +
                                   columns() + ".");
    } else {
        readOutcomeLines(in, fileName, design, content);
    }
    return content;
}

std::optional<ScenarioOutcomes> mergeReplicateFiles(const std::vector<std::string>& fileNames,
                                                    const DesignSettings& design,
                                                    std::ostream& messages) {
    const std::size_t scenarios = design.trueRates.size();
    MergeState state{ScenarioOutcomes(scenarios, std::vector<TrialOutcome>(design.trials)),
                     std::vector<std::vector<bool>>(scenarios, std::vector<bool>(design.trials)),
                     messages};
    for (const std::string& fileName : fileNames) {
        addReplicateFile(state, fileName, design);
    }
    if (state.valid) {
        reportMissing(state);
    }
    if (!state.valid) {
        return std::nullopt;
    }
    return std::move(state.outcomes);
}

}  // namespace quillmere
