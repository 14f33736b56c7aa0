#include "engine/engine.h"
#include "engine/pending_patient.h"

namespace quillmere {

namespace {

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
        if (isPendingPatient(data, i) && data.observedTime[i] < data.intervalBound[j + 1]) {
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
