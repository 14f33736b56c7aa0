#include "trial/trial_record.h"

#include <cmath>

namespace quillmere {

double lambda0For(EventType eventType, double rateBound, double maxEvaluationWindow) {
    const double survival = eventType == EventType::DiseaseProgression ? rateBound : 1 - rateBound;
    return -(std::log(survival) / maxEvaluationWindow);
}

double observedTimeFor(int responseIndicator, double timeToEvent, double followUpTime,
                       double maxEvaluationWindow) {
    if (responseIndicator == 1) {
        return timeToEvent;
    }
    return followUpTime <= maxEvaluationWindow ? followUpTime : maxEvaluationWindow;
}

void prepareRecord(TrialData& data) {
    data.hazard.fill(0.0);
    data.posteriorResult = 0.0;
    const double window = data.maxEvaluationWindow;
    for (int k = 0; k < intervalCount; ++k) {
        data.intervalBound[k] = window * k / 6.0;
    }
    data.intervalBound[intervalCount] = window;
}

}  // namespace quillmere
