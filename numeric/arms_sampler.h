#pragma once

#include <array>

#include "numeric/random_sources.h"
#include "numeric/sampling_envelope.h"

namespace quillmere {

// Result codes of sampleFromLogDensity; 0 is success.
inline constexpr int armsBadBounds = 1003;
inline constexpr int armsAbscissaeNotIncreasing = 1004;
inline constexpr int armsNoStorage = 1006;
inline constexpr int armsPreviousOutOfRange = 1007;
// No candidate was accepted within armsMaxAttempts draws: the envelope cannot
// be brought close enough to the density (e.g. it is full and lies far above
// a strongly oscillating density). Reported instead of looping forever.
inline constexpr int armsAttemptLimit = 1008;
inline constexpr int armsMaxAttempts = 100000;
// A failed internal check of the envelope: armsEnvelopeCheckBase plus the
// EnvelopeCheck that failed.
inline constexpr int armsEnvelopeCheckBase = 2000;

// The envelope check a result code stands for; Passed for every other code.
EnvelopeCheck envelopeCheckOfCode(int code);

struct ChainState {
    double previousX = 0.0;
    double previousLogDensity = 0.0;
};

// The four initial abscissae dividing [lower, upper] into five equal parts.
std::array<double, 4> initialAbscissae(double lower, double upper);

// Rejection test of the working node against the log-density, then the
// Metropolis step against the chain's previous value. A rejected candidate
// refines the envelope and false is returned. On acceptance w.x holds the
// chain's next value (the candidate, or the previous value when the chain
// stays) and the chain state is updated.
bool judgeCandidate(SamplingEnvelope& envelope, HullNode& w, const LogDensityBinding& binding,
                    ChainState& chain, Rand15Generator& generator);

// One step of an adaptive rejection Metropolis chain on [lower, upper]:
// draws a value given the chain's previous value. All random numbers come
// from openUniform on the given generator. Returns 0 and writes sample, or
// one of the codes above without writing it (a failed envelope check as
// armsEnvelopeCheckBase + check). armsNoStorage is kept for the
// callers' sake but cannot occur: the node storage is part of the envelope.
int sampleFromLogDensity(double lower, double upper, const LogDensityBinding& binding,
                         double previousValue, double& sample, Rand15Generator& generator);

}  // namespace quillmere
