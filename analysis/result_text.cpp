// Every field of an analysis result as text, each number exactly.
#include <cstdio>

#include "analysis/analysis.h"

namespace quillmere {

namespace {

// 17 significant digits tell every double apart and read back as itself.
std::string exactText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

std::string line(const std::string& name, const std::string& value) {
    return name + ' ' + value + '\n';
}

}  // namespace

std::string analysisResultText(const AnalysisResult& result) {
    std::string text =
        line("posterior_result", exactText(result.posteriorResult)) +
        line("reported_probability", exactText(result.reportedProbability)) +
        line("terminate", result.terminate ? "1" : "0") +
        line("uninformed_from", result.uninformedFrom ? exactText(*result.uninformedFrom) : "NA");
    for (std::size_t i = 0; i < result.hazards.size(); ++i) {
        text += line("hazard_" + std::to_string(i + 1), exactText(result.hazards[i]));
    }
    text += line("patient_count", std::to_string(result.patientCount)) +
            line("event_count", std::to_string(result.eventCount)) +
            line("pending_count", std::to_string(result.pendingCount));
    for (const std::string& note : result.notes) {
        text += line("note", note);
    }
    return text;
}

}  // namespace quillmere
