#include "engine/engine.h"

namespace quillmere {

namespace {

bool isPending(const TrialData& data, int i) {
    return data.maxEvaluationWindow > data.observedTime[i] && data.responseIndicator[i] == 0;
}

bool intervalHasExposure(const TrialData& data, int j) {
    for (int i = 0; i < data.patientCount; ++i) {
        if (data.exposure[i][j] != 0.0) {
            return true;
        }
    }
    return false;
}

// A pending patient followed up to t still has (t, W] ahead; that reaches
// into interval j = (b[j], b[j+1]] exactly when t < b[j+1].
bool pendingWindowReaches(const TrialData& data, int j) {
    for (int i = 0; i < data.patientCount; ++i) {
        if (isPending(data, i) && data.observedTime[i] < data.intervalBound[j + 1]) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<int> firstUninformedInterval(const TrialData& data) {
    for (int j = 0; j < intervalCount; ++j) {
        if (!intervalHasExposure(data, j) && pendingWindowReaches(data, j)) {
            return j;
        }
    }
    return std::nullopt;
}

}  // namespace quillmere
