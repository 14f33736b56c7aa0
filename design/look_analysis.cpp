#include "design/look_analysis.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace quillmere {

AnalysisInput lookInput(const std::vector<PatientLine>& patients,
                        const AnalysisSettings& settings) {
    AnalysisInput input;
    input.rule = settings;
    input.patients.reserve(patients.size());
    std::array<char, patientIdSize> id{};
    for (const PatientLine& line : patients) {
        std::snprintf(id.data(), id.size(), "P%03d", static_cast<int>(input.patients.size()) + 1);
        input.patients.push_back(
            {id.data(), line.responseIndicator, line.timeToEvent, line.followUpTime});
    }
    return input;
}

void fillTrialRecord(TrialData& data, const std::vector<PatientLine>& patients,
                     const AnalysisSettings& settings) {
    fillTrialRecord(data, lookInput(patients, settings));
}

LookResult analyseRecord(TrialData& data, const AnalysisSettings& settings) {
    EngineState state;
    const AnalysisOutcome outcome = analyseFilledRecord(data, settings, state);
    if (!outcome) {
        std::string text = outcome.error().text;
        while (!text.empty() && text.back() == '\n') {
            text.pop_back();
        }
        throw std::runtime_error(text);
    }
    const AnalysisResult& result = outcome.value();
    return {result.reportedProbability, result.terminate, result.uninformedFrom.has_value()};
}

}  // namespace quillmere
