#include "trial/decision.h"

namespace quillmere {

double reportedProbability(EventType eventType, double posteriorResult) {
    return eventType == EventType::Efficacy ? posteriorResult : 1 - posteriorResult;
}

bool advisesTermination(double reportedProbability, double cutoffProbability) {
    return reportedProbability > cutoffProbability;
}

}  // namespace quillmere
