#pragma once

#include <array>
#include <optional>
#include <span>

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

// A value drawn from the envelope, not yet judged: the working node (not
// linked into the list; its left and right bracket it), the threshold of its
// rejection test, and the abscissa insertNode will move it to should it be
// rejected (see insertionMove). The log-density at the candidate and at that
// abscissa, when formed ahead, are taken instead of evaluating them.
struct Candidate {
    HullNode node;
    double threshold = 0.0;
    std::optional<double> moved;
    std::optional<double> formedLogDensity;
    std::optional<double> formedMovedLogDensity;
};

// Draws a candidate and its threshold: two values of openUniform. A failed
// envelope check is left in the envelope.
Candidate drawCandidate(SamplingEnvelope& envelope, Rand15Generator& generator);

// Rejection test of the candidate against the log-density, then the
// Metropolis step against the chain's previous value. A rejected candidate
// refines the envelope and false is returned. On acceptance node.x holds the
// chain's next value (the candidate, or the previous value when the chain
// stays; one more value of openUniform) and the chain state is updated.
bool judgeCandidate(SamplingEnvelope& envelope, Candidate& candidate,
                    const LogDensityBinding& binding, ChainState& chain,
                    Rand15Generator& generator);

// One call of the sampler, taken in steps. Each step ends where the call is
// about to evaluate the log-density at points it can name in advance: the
// four initial abscissae and the previous value, then each candidate (with
// the abscissa it would be moved to). Whoever drives the call may form these
// values ahead, for several calls at once, and give them to the call
// (announcedValues, valuesGiven) before continuing it; otherwise the call
// evaluates them through the binding. The record is meant to be reused from
// call to call: its envelope's storage is set up afresh by every call
// instead of being initialised whole.
enum class ArmsStage { Starting, JudgingCandidate, Finished };

struct ArmsCall {
    ArmsStage stage = ArmsStage::Finished;
    double lower = 0.0;
    double upper = 0.0;
    double previousValue = 0.0;
    std::array<double, 5> announced{};
    int announcedCount = 0;
    std::array<double, 5> announcedValues{};
    bool valuesGiven = false;  // announcedValues hold the values at the points
    SamplingEnvelope envelope;
    ChainState chain;
    Candidate candidate;
    int attempts = 0;
    int result = 0;       // once finished: 0, or one of the codes above
    double sample = 0.0;  // once finished with 0: the drawn value
};

// Begins a call on [lower, upper]; it first announces the four initial
// abscissae and the previous value.
void startArmsCall(ArmsCall& call, double lower, double upper, double previousValue);

// The points the call will evaluate next, in that order (empty once finished).
std::span<const double> announcedPoints(const ArmsCall& call);

// Announces the call's points to the binding's foresight, which may give
// their values.
void announceToBinding(ArmsCall& call, const LogDensityBinding& binding);

// Continues the call: evaluates what it announced, and more as needed, until
// it announces again or finishes. Random numbers come from openUniform on the
// given generator, in the order sampleFromLogDensity draws them.
void continueArmsCall(ArmsCall& call, const LogDensityBinding& binding, Rand15Generator& generator);

// One step of an adaptive rejection Metropolis chain on [lower, upper]:
// draws a value given the chain's previous value, announcing each group of
// points to the binding's foresight before evaluating them (or taking the
// values it gives). Returns 0 and
// writes sample, or one of the codes above without writing it (a failed
// envelope check as armsEnvelopeCheckBase + check). armsNoStorage is kept for
// the callers' sake but cannot occur: the node storage is part of the
// envelope.
int sampleFromLogDensity(double lower, double upper, const LogDensityBinding& binding,
                         double previousValue, double& sample, Rand15Generator& generator);

}  // namespace quillmere
