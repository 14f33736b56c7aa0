#include "numeric/arms_sampler.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace quillmere {

namespace {

// Below this log acceptance ratio a move is treated as impossible.
constexpr double acceptanceFloor = -50.0;

double acceptanceProbability(double d) {
    if (d > 0.0) {
        return std::exp(0.0);
    }
    if (d > acceptanceFloor) {
        return std::exp(d);
    }
    return 0.0;
}

int codeOfFailedCheck(const SamplingEnvelope& envelope) {
    return armsEnvelopeCheckBase + static_cast<int>(envelope.failedCheck);
}

bool checksPassed(const SamplingEnvelope& envelope) {
    return envelope.failedCheck == EnvelopeCheck::Passed;
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

bool judgeCandidate(SamplingEnvelope& envelope, HullNode& w, const LogDensityBinding& binding,
                    ChainState& chain, Rand15Generator& generator) {
    const double y = unscaledLog(openUniform(generator) * w.scaledDensity, envelope.peakLogDensity);
    // A rejected candidate that joins the envelope away from its place is
    // evaluated a second time there: let the density form both values at once.
    if (const std::optional<double> moved = insertionMove(envelope, w)) {
        const std::array<double, 2> points{w.x, *moved};
        announceEvaluations(binding, points);
    }
    const double ynew = evaluateLogDensity(binding, w.x);

    if (y >= ynew) {
        w.logDensity = ynew;
        w.scaledDensity = scaledExp(ynew, envelope.peakLogDensity);
        w.evaluated = 1;
        insertNode(envelope, w, binding);
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

int sampleFromLogDensity(double lower, double upper, const LogDensityBinding& binding,
                         double previousValue, double& sample, Rand15Generator& generator) {
    const std::array<double, 4> abscissae = initialAbscissae(lower, upper);
    // The envelope is built on the abscissae, then the chain's previous value
    // is evaluated: let the density form these five values at once.
    const std::array<double, 5> firstPoints{abscissae[0], abscissae[1], abscissae[2], abscissae[3],
                                            previousValue};
    announceEvaluations(binding, firstPoints);
    SamplingEnvelope envelope;
    const int built = buildEnvelope(envelope, abscissae, lower, upper, binding);
    if (built != 0) {
        return built;
    }
    if (!checksPassed(envelope)) {
        return codeOfFailedCheck(envelope);
    }
    // Negated so that a NaN previous value is refused as well.
    if (!(previousValue >= lower && previousValue <= upper)) {
        return armsPreviousOutOfRange;
    }
    ChainState chain;
    chain.previousX = previousValue;
    chain.previousLogDensity = evaluateLogDensity(binding, previousValue);

    for (int attempt = 0; attempt < armsMaxAttempts; ++attempt) {
        HullNode working = drawFromEnvelope(envelope, openUniform(generator));
        if (!checksPassed(envelope)) {
            return codeOfFailedCheck(envelope);
        }
        const bool accepted = judgeCandidate(envelope, working, binding, chain, generator);
        if (!checksPassed(envelope)) {
            return codeOfFailedCheck(envelope);
        }
        if (accepted) {
            sample = working.x;
            return 0;
        }
    }
    return armsAttemptLimit;
}

}  // namespace quillmere
