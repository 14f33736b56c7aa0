#pragma once

#include "trial/event_type.h"

namespace quillmere {

// The probability the user is told about: that the toxicity rate exceeds the
// bound, or that the efficacy (progression-free) rate falls below it.
double reportedProbability(EventType eventType, double posteriorResult);

// Terminate only when p is strictly above the cut-off (equality and NaN continue).
bool advisesTermination(double reportedProbability, double cutoffProbability);

}  // namespace quillmere
