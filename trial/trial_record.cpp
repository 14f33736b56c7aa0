#include "trial/trial_record.h"

#include <cmath>

#include "numeric/numeric.h"

namespace quillmere {

double lambda0For(EventType eventType, double rateBound, double maxEvaluationWindow) {
    const double survival = eventType == EventType::DiseaseProgression ? rateBound : 1 - rateBound;
    return -(quillmere::log(survival) / maxEvaluationWindow);
}

double observedTimeFor(int responseIndicator, double timeToEvent, double followUpTime,
                       double maxEvaluationWindow) {
    if (responseIndicator == 1) {
        return timeToEvent;
    }
    return followUpTime <= maxEvaluationWindow ? followUpTime : maxEvaluationWindow;
}

double intervalBoundFor(double maxEvaluationWindow, int k) {
    return k == intervalCount ? maxEvaluationWindow : maxEvaluationWindow * k / 6.0;
}

void prepareRecord(TrialData& data) {
    data.hazard.fill(0.0);
    data.posteriorResult = 0.0;
    for (int k = 0; k <= intervalCount; ++k) {
        data.intervalBound[k] = intervalBoundFor(data.maxEvaluationWindow, k);
    }
}

}  // namespace quillmere
