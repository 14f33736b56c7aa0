#include "design/look_file.h"

#include <cmath>
#include <fstream>

#include "design/look_schedule.h"
#include "design/text_format.h"

namespace quillmere {
namespace {

const char* const title = "# quillmere-design calibration looks";
const char* const header =
    "scenario,replicate,look,enrolled,probability,pending,prior_only,duration";

std::string designLine(const DesignSettings& design) {
    return "# design: " + designFingerprint(design) +
           " calibration=" + roundTripText(design.calibrationRate.value_or(0.0));
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
bool parseNumber(const std::string& text, Number& value) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = numberFromChars(text.data(), end, value);
    return !text.empty() && error == std::errc() && stop == end;
}

struct LookLine {
    int scenario = 0;
    int replicate = 0;
    LookProbability look;
};

// The line's fields, or why they are not a look this design can give.
std::optional<std::string> parseLookLine(const std::vector<std::string>& fields,
                                         const DesignSettings& design, int scenarios,
                                         LookLine& line) {
    int priorOnly = 0;
    if (fields.size() != 8) {
        return formatted("has %zu fields instead of 8", fields.size());
    }
    if (!parseNumber(fields[0], line.scenario) || line.scenario < 1 || line.scenario > scenarios) {
        return "field scenario (" + fields[0] + ") is not a scenario of the calibration";
    }
    if (!parseNumber(fields[1], line.replicate) || line.replicate < 1 ||
        line.replicate > design.trials) {
        return "field replicate (" + fields[1] + ") is not a replicate of the design";
    }
    LookProbability& look = line.look;
    if (!parseNumber(fields[2], look.look) || look.look < 0 ||
        look.look > scheduledLookCount(design)) {
        return "field look (" + fields[2] + ") is not a look of the schedule";
    }
    const int expected = look.look == 0 ? design.maxPatients : enrolledAtLook(design, look.look);
    if (!parseNumber(fields[3], look.enrolled) || look.enrolled != expected) {
        return "field enrolled (" + fields[3] + ") does not match the look";
    }
    if (!parseNumber(fields[7], look.stopDuration) || !std::isfinite(look.stopDuration) ||
        look.stopDuration < 0) {
        return "field duration (" + fields[7] + ") is not a finite number >= 0";
    }
    if (look.look == 0) {
        return std::nullopt;
    }
    if (!parseNumber(fields[4], look.probability) || !(look.probability >= 0) ||
        look.probability > 1) {
        return "field probability (" + fields[4] + ") is not a probability";
    }
    if (!parseNumber(fields[5], look.pending) || look.pending < 0 || look.pending > look.enrolled) {
        return "field pending (" + fields[5] + ") is not a count within those enrolled";
    }
    if (!parseNumber(fields[6], priorOnly) || priorOnly < 0 || priorOnly > 1) {
        return "field prior_only (" + fields[6] + ") is not 0 or 1";
    }
    look.priorOnly = priorOnly == 1;
    return std::nullopt;
}

struct MergeState {
    CalibrationLooks looks;
    std::vector<std::vector<bool>> ended;  // the end line was read
    std::ostream& messages;
    bool valid = true;

    void fail(const std::string& text) {
        messages << text << '\n';
        valid = false;
    }
};

void addLookLine(MergeState& state, const std::string& where, const LookLine& line) {
    const auto scenario = static_cast<std::size_t>(line.scenario - 1);
    const auto replicate = static_cast<std::size_t>(line.replicate - 1);
    ReplicateLooks& target = state.looks[scenario][replicate];
    if (state.ended[scenario][replicate]) {
        state.fail(where + formatted(": scenario %d, replicate %d is given more than once.",
                                     line.scenario, line.replicate));
        return;
    }
    if (line.look.look == 0) {
        target.completionDuration = line.look.stopDuration;
        state.ended[scenario][replicate] = true;
        return;
    }
    if (!target.looks.empty() && target.looks.back().look >= line.look.look) {
        state.fail(where + ": the looks of a replicate must come in increasing order.");
        return;
    }
    target.looks.push_back(line.look);
}

void addLookFile(MergeState& state, const std::string& fileName, const DesignSettings& design) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in.is_open()) {
        state.fail("Failure to load file (" + fileName + ").");
        return;
    }
    const int scenarios = static_cast<int>(state.looks.size());
    std::string text;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::string where = fileName + formatted(", line %d", number);
        if (number == 1 && line != title) {
            state.fail(fileName + " is not a calibration look file of quillmere-design.");
            return;
        }
        if (number == 2 && line != designLine(design)) {
            state.fail(fileName + " belongs to another design or calibration rate.");
            return;
        }
        if (number == 3 && line != header) {
            state.fail(where + ": the header is not " + header + ".");
            return;
        }
        if (number <= 3 || line.empty()) {
            continue;
        }
        LookLine parsed;
        if (const std::optional<std::string> problem =
                parseLookLine(splitFields(line), design, scenarios, parsed)) {
            state.fail(where + ": " + *problem + ".");
            return;
        }
        addLookLine(state, where, parsed);
    }
    if (number < 3) {
        state.fail(fileName + " is not a calibration look file of quillmere-design.");
    }
}

}  // namespace

void writeLookFile(std::ostream& out, const DesignSettings& design, const CalibrationLooks& looks,
                   ReplicateRange range) {
    out << title << '\n' << designLine(design) << '\n' << header << '\n';
    for (std::size_t s = 0; s < looks.size(); ++s) {
        for (int offset = 0; offset < range.size(); ++offset) {
            const ReplicateLooks& replicate = looks[s][static_cast<std::size_t>(offset)];
            const int number = range.first + offset + 1;
            for (const LookProbability& look : replicate.looks) {
                out << s + 1 << ',' << number << ',' << look.look << ',' << look.enrolled << ','
                    << roundTripText(look.probability) << ',' << look.pending << ','
                    << (look.priorOnly ? 1 : 0) << ',' << roundTripText(look.stopDuration) << '\n';
            }
            out << s + 1 << ',' << number << ",0," << design.maxPatients << ",,,,"
                << roundTripText(replicate.completionDuration) << '\n';
        }
    }
}

std::optional<CalibrationLooks> mergeLookFiles(const std::vector<std::string>& fileNames,
                                               const DesignSettings& design,
                                               std::ostream& messages) {
    const std::size_t scenarios = calibrationRates(design).size();
    const auto trials = static_cast<std::size_t>(design.trials);
    MergeState state{CalibrationLooks(scenarios, std::vector<ReplicateLooks>(trials)),
                     std::vector<std::vector<bool>>(scenarios, std::vector<bool>(trials)),
                     messages};
    for (const std::string& fileName : fileNames) {
        addLookFile(state, fileName, design);
    }
    for (std::size_t s = 0; s < scenarios && state.valid; ++s) {
        for (std::size_t r = 0; r < trials; ++r) {
            if (!state.ended[s][r]) {
                state.fail(formatted("Scenario %zu, replicate %zu is missing from the shards.",
                                     s + 1, r + 1));
                break;
            }
        }
    }
    if (!state.valid) {
        return std::nullopt;
    }
    return std::move(state.looks);
}

}  // namespace quillmere
