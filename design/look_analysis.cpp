#include "design/look_analysis.h"

#include <cstdio>
#include <stdexcept>
#include <string>

#include "trial/decision.h"
#include "trial/trial_record.h"
#include "engine/engine.h"

namespace quillmere {

void fillTrialRecord(TrialData& data, const std::vector<PatientLine>& patients,
                     const AnalysisSettings& settings) {
    const double window = settings.maxEvaluationWindow;
    data.maxEvaluationWindow = window;
    data.rateBound = settings.rateBound;
    data.lambda0 = lambda0For(settings.eventType, settings.rateBound, window);
    data.patientCount = static_cast<int>(patients.size());
    for (int i = 0; i < data.patientCount; ++i) {
        const PatientLine& line = patients[i];
        std::snprintf(data.patientId[i].data(), patientIdSize, "P%03d", i + 1);
        data.responseIndicator[i] = line.responseIndicator;
        data.timeToEvent[i] = line.timeToEvent;
        data.followUpTime[i] = line.followUpTime;
        data.observedTime[i] =
            observedTimeFor(line.responseIndicator, line.timeToEvent, line.followUpTime, window);
    }
    prepareRecord(data);
}

LookResult analyseRecord(TrialData& data, const AnalysisSettings& settings) {
    computeExposureTable(data);
    LookResult result;
    result.priorOnly = firstUninformedInterval(data).has_value();
    EngineState state;
    const int code = runGibbsImputation(data, settings.eventType, state);
    if (code != 0) {
        throw std::runtime_error("error code (beta0): " + std::to_string(code));
    }
    result.reportedProbability = reportedProbability(settings.eventType, data.posteriorResult);
    result.terminate = advisesTermination(result.reportedProbability, settings.cutoffProbability);
    return result;
}

}  // namespace quillmere
