#include "engine/engine.h"

namespace quillmere {

// Interval j is (b[j], b[j+1]]: open on the left, closed on the right, so an
// event exactly on a bound belongs to the interval that ends there.
void computeExposureTable(TrialData& data) {
    const auto& bound = data.intervalBound;
    for (int i = 0; i < data.patientCount; ++i) {
        const double t = data.observedTime[i];
        const bool eventObserved = data.responseIndicator[i] == 1;
        for (int j = 0; j < intervalCount; ++j) {
            double exposure = 0.0;
            if (t > bound[j + 1]) {
                exposure = bound[j + 1] - bound[j];
            } else if (t > bound[j]) {
                exposure = t - bound[j];
            }
            data.exposure[i][j] = exposure;
            data.delta[i][j] = eventObserved && bound[j] < t && t <= bound[j + 1] ? 1 : 0;
        }
    }
}

}  // namespace quillmere
