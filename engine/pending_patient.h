#pragma once

#include "trial/trial_data.h"

namespace quillmere {

// A patient still inside the evaluation window without an event: the
// outcome is unknown and is imputed.
inline bool isPendingPatient(const TrialData& data, int i) {
    return data.maxEvaluationWindow > data.observedTime[i] && data.responseIndicator[i] == 0;
}

}  // namespace quillmere
