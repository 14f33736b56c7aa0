#include "design/look_analysis.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "engine/engine.h"
#include "trial/decision.h"

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

namespace {

// An analysis error's text without its line ends.
std::string failureText(const AnalysisError& error) {
    std::string text = error.text;
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

}  // namespace

LookResult analyseRecord(TrialData& data, const AnalysisSettings& settings) {
    EngineState state;
    const AnalysisOutcome outcome = analyseFilledRecord(data, settings, state);
    if (!outcome) {
        throw std::runtime_error(failureText(outcome.error()));
    }
    const AnalysisResult& result = outcome.value();
    return {result.reportedProbability, result.terminate, result.uninformedFrom.has_value()};
}

bool prepareLookRecord(TrialData& data) {
    computeExposureTable(data);
    return firstUninformedInterval(data).has_value();
}

std::string samplerFailureText(int code) {
    return failureText(samplerFailure(code));
}

LookResult decideLook(const TrialData& data, const AnalysisSettings& settings, bool priorOnly) {
    LookResult result;
    result.priorOnly = priorOnly;
    result.reportedProbability = reportedProbability(settings.eventType, data.posteriorResult);
    result.terminate = advisesTermination(result.reportedProbability, settings.cutoffProbability);
    return result;
}

}  // namespace quillmere
