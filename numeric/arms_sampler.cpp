#include "numeric/arms_sampler.h"

#include <algorithm>
#include <cmath>

#include "numeric/elementary_functions.h"

namespace quillmere {

namespace {

// Below this log acceptance ratio a move is treated as impossible.
constexpr double acceptanceFloor = -50.0;

// exp(min(d, 0)). A log-concave density lies under its envelope, so most
// Metropolis steps have d = 0 exactly; exp(+-0) is exactly 1 (the correctly
// rounded functions give 1 there), so that case skips the call.
double acceptanceProbability(double d) {
    if (d >= 0.0) {
        return 1.0;
    }
    if (d > acceptanceFloor) {
        return quillmere::exp(d);
    }
    return 0.0;
}

int codeOfFailedCheck(const SamplingEnvelope& envelope) {
    return armsEnvelopeCheckBase + static_cast<int>(envelope.failedCheck);
}

bool checksPassed(const SamplingEnvelope& envelope) {
    return envelope.failedCheck == EnvelopeCheck::Passed;
}

void finish(ArmsCall& call, int result) {
    call.stage = ArmsStage::Finished;
    call.result = result;
    call.announcedCount = 0;
}

void announce(ArmsCall& call, std::span<const double> points) {
    std::copy(points.begin(), points.end(), call.announced.begin());
    call.announcedCount = static_cast<int>(points.size());
    call.valuesGiven = false;
}

// Draws the next candidate and announces it (with the abscissa it would be
// moved to), or finishes the call when the attempts are used up or the
// envelope failed a check.
void proposeCandidate(ArmsCall& call, Rand15Generator& generator) {
    if (call.attempts == armsMaxAttempts) {
        finish(call, armsAttemptLimit);
        return;
    }
    ++call.attempts;
    call.candidate = drawCandidate(call.envelope, generator);
    if (!checksPassed(call.envelope)) {
        finish(call, codeOfFailedCheck(call.envelope));
        return;
    }
    const Candidate& candidate = call.candidate;
    if (candidate.moved) {
        announce(call, std::array<double, 2>{candidate.node.x, *candidate.moved});
    } else {
        announce(call, std::array<double, 1>{candidate.node.x});
    }
    call.stage = ArmsStage::JudgingCandidate;
}

// Builds the envelope on the initial abscissae and starts the chain from the
// previous value.
void beginChain(ArmsCall& call, const LogDensityBinding& binding, Rand15Generator& generator) {
    const std::array<double, 4> abscissae = initialAbscissae(call.lower, call.upper);
    const std::array<double, 4> formed = {call.announcedValues[0], call.announcedValues[1],
                                          call.announcedValues[2], call.announcedValues[3]};
    const int built =
        call.valuesGiven ? buildEnvelope(call.envelope, abscissae, formed, call.lower, call.upper)
                         : buildEnvelope(call.envelope, abscissae, call.lower, call.upper, binding);
    if (built != 0) {
        finish(call, built);
        return;
    }
    if (!checksPassed(call.envelope)) {
        finish(call, codeOfFailedCheck(call.envelope));
        return;
    }
    // Negated so that a NaN previous value is refused as well.
    if (!(call.previousValue >= call.lower && call.previousValue <= call.upper)) {
        finish(call, armsPreviousOutOfRange);
        return;
    }
    call.chain.previousX = call.previousValue;
    call.chain.previousLogDensity = call.valuesGiven
                                        ? call.announcedValues[4]
                                        : evaluateLogDensity(binding, call.previousValue);
    call.attempts = 0;
    proposeCandidate(call, generator);
}

void judgeAnnouncedCandidate(ArmsCall& call, const LogDensityBinding& binding,
                             Rand15Generator& generator) {
    if (call.valuesGiven) {
        call.candidate.formedLogDensity = call.announcedValues[0];
        if (call.candidate.moved) {
            call.candidate.formedMovedLogDensity = call.announcedValues[1];
        }
    }
    const bool accepted =
        judgeCandidate(call.envelope, call.candidate, binding, call.chain, generator);
    if (!checksPassed(call.envelope)) {
        finish(call, codeOfFailedCheck(call.envelope));
        return;
    }
    if (accepted) {
        call.sample = call.candidate.node.x;
        finish(call, 0);
        return;
    }
    proposeCandidate(call, generator);
}

}  // namespace

EnvelopeCheck envelopeCheckOfCode(int code) {
    const int check = code - armsEnvelopeCheckBase;
    if (check <= 0 || check >= envelopeCheckCount) {
        return EnvelopeCheck::Passed;
    }
    return static_cast<EnvelopeCheck>(check);
}

std::array<double, 4> initialAbscissae(double lower, double upper) {
    const double width = upper - lower;
    return {width / 5.0 + lower, width * 2.0 / 5.0 + lower, width * 3.0 / 5.0 + lower,
            width * 4.0 / 5.0 + lower};
}

Candidate drawCandidate(SamplingEnvelope& envelope, Rand15Generator& generator) {
    Candidate candidate;
    candidate.node = drawFromEnvelope(envelope, openUniform(generator));
    if (!checksPassed(envelope)) {
        return candidate;
    }
    candidate.threshold =
        unscaledLog(openUniform(generator) * candidate.node.scaledDensity, envelope.peakLogDensity);
    candidate.moved = insertionMove(envelope, candidate.node);
    return candidate;
}

bool judgeCandidate(SamplingEnvelope& envelope, Candidate& candidate,
                    const LogDensityBinding& binding, ChainState& chain,
                    Rand15Generator& generator) {
    HullNode& w = candidate.node;
    const double ynew =
        candidate.formedLogDensity ? *candidate.formedLogDensity : evaluateLogDensity(binding, w.x);

    if (candidate.threshold >= ynew) {
        w.logDensity = ynew;
        w.scaledDensity = scaledExp(ynew, envelope.peakLogDensity);
        w.evaluated = 1;
        insertNode(envelope, w, binding, candidate.formedMovedLogDensity);
        return false;
    }

    // Metropolis step: corrects for the places where the envelope lies below
    // the density.
    const double zold =
        std::min(envelopeLogAt(envelope, chain.previousX), chain.previousLogDensity);
    const double znew = std::min(w.logDensity, ynew);
    const double d = ynew - znew - chain.previousLogDensity + zold;
    if (openUniform(generator) > acceptanceProbability(d)) {
        w.x = chain.previousX;
    } else {
        chain.previousX = w.x;
        chain.previousLogDensity = ynew;
    }
    return true;
}

void startArmsCall(ArmsCall& call, double lower, double upper, double previousValue) {
    call.lower = lower;
    call.upper = upper;
    call.previousValue = previousValue;
    const std::array<double, 4> abscissae = initialAbscissae(lower, upper);
    announce(call, std::array<double, 5>{abscissae[0], abscissae[1], abscissae[2], abscissae[3],
                                         previousValue});
    call.result = 0;
    call.stage = ArmsStage::Starting;
}

std::span<const double> announcedPoints(const ArmsCall& call) {
    return std::span<const double>(call.announced.data(),
                                   static_cast<std::size_t>(call.announcedCount));
}

void announceToBinding(ArmsCall& call, const LogDensityBinding& binding) {
    call.valuesGiven = announceEvaluations(
        binding, announcedPoints(call),
        std::span<double>(call.announcedValues.data(), announcedPoints(call).size()));
}

void continueArmsCall(ArmsCall& call, const LogDensityBinding& binding,
                      Rand15Generator& generator) {
    switch (call.stage) {
        case ArmsStage::Starting:
            beginChain(call, binding, generator);
            break;
        case ArmsStage::JudgingCandidate:
            judgeAnnouncedCandidate(call, binding, generator);
            break;
        case ArmsStage::Finished:
            break;
    }
}

int sampleFromLogDensity(double lower, double upper, const LogDensityBinding& binding,
                         double previousValue, double& sample, Rand15Generator& generator) {
    // The record is large; a caller that samples often keeps one (see
    // ArmsCall) instead of coming through here.
    ArmsCall call;
    startArmsCall(call, lower, upper, previousValue);
    while (call.stage != ArmsStage::Finished) {
        announceToBinding(call, binding);
        continueArmsCall(call, binding, generator);
    }
    if (call.result == 0) {
        sample = call.sample;
    }
    return call.result;
}

}  // namespace quillmere
