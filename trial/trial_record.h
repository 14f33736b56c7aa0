#pragma once

#include "trial/trial_data.h"

namespace quillmere {

// The constant hazard under which the event probability within the window is
// the rate bound (for disease progression: staying free of it is).
double lambda0For(EventType eventType, double rateBound, double maxEvaluationWindow);

// Time at risk inside the window: the event time for an observed event,
// otherwise the follow-up time capped at the window.
double observedTimeFor(int responseIndicator, double timeToEvent, double followUpTime,
                       double maxEvaluationWindow);

// Bound k (0 to 6) of the six equal intervals of the window: W·k/6, and W
// itself for the last.
double intervalBoundFor(double maxEvaluationWindow, int k);

// Sets hazard and posteriorResult to 0 and cuts the window into six equal
// intervals (needs maxEvaluationWindow).
void prepareRecord(TrialData& data);

}  // namespace quillmere
