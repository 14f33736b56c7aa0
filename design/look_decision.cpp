#include "design/look_decision.h"

#include "trial/decision.h"

namespace quillmere {

BetaEvidence lookEvidence(const std::vector<PatientLine>& patients, double window,
                          LateOutcomeMethod method) {
    BetaEvidence evidence;
    for (const PatientLine& line : patients) {
        if (line.responseIndicator == 1) {
            ++evidence.events;
        } else if (line.followUpTime >= window) {
            evidence.nonEventWeight += 1.0;
        } else if (method == LateOutcomeMethod::Weighted) {
            evidence.nonEventWeight += line.followUpTime / window;
        }
    }
    return evidence;
}

LookResult decideWithoutImputation(const LookSnapshot& snapshot, const AnalysisSettings& settings,
                                   LateOutcomeMethod method) {
    LookResult result;
    result.reportedProbability = betaPosteriorProbability(
        settings.eventType, settings.rateBound,
        lookEvidence(snapshot.patients, settings.maxEvaluationWindow, method));
    result.terminate = advisesTermination(result.reportedProbability, settings.cutoffProbability);
    return result;
}

}  // namespace quillmere
