#pragma once

#include "numeric/random_sources.h"
#include "numeric/sampling_envelope.h"

namespace quillmere {

// Result codes of sampleFromLogDensity; 0 is success.
inline constexpr int armsBadBounds = 1003;
inline constexpr int armsAbscissaeNotIncreasing = 1004;
inline constexpr int armsNoStorage = 1006;
inline constexpr int armsPreviousOutOfRange = 1007;

struct ChainState {
    double previousX = 0.0;
    double previousLogDensity = 0.0;
};

// One step of an adaptive rejection Metropolis chain on [lower, upper]:
// draws a value given the chain's previous value. All random numbers come
// from openUniform on the given generator.
int sampleFromLogDensity(double lower, double upper, const LogDensityBinding& binding,
                         double previousValue, double& sample, Rand15Generator& generator);

}  // namespace quillmere
