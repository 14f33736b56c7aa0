#pragma once

// Log-densities for the sampler tests, bound with a context that records
// every point at which the sampler evaluates them.
#include <vector>

#include "numeric/sampling_envelope.h"

namespace quillmere::testing_support {

struct RecordedDensity {
    double (*logDensity)(double x) = nullptr;
    std::vector<double> evaluatedAt;
};

inline double recordedLogDensity(double x, void* context) {
    auto* density = static_cast<RecordedDensity*>(context);
    density->evaluatedAt.push_back(x);
    return density->logDensity(x);
}

inline LogDensityBinding bind(RecordedDensity& density) {
    return LogDensityBinding{&density, recordedLogDensity};
}

inline double negativeX(double x) {
    return -x;
}

}  // namespace quillmere::testing_support
