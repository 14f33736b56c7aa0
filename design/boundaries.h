#pragma once

#include <optional>
#include <ostream>
#include <vector>

#include "trial/event_type.h"

namespace quillmere {

// What enters the posterior of a method that does not impute: the events seen
// and the weight of the non-events.
struct BetaEvidence {
    int events = 0;
    double nonEventWeight = 0.0;
};

// The probability the rule compares with the cut-off under the posterior
// Beta(0.1 + events, 0.2 + nonEventWeight), in the engine's arithmetic: the
// parameters formed in double, converted to single precision, and the
// program's single-precision incomplete beta. With a whole non-event weight
// it is the value of the boundary table.
double betaPosteriorProbability(EventType eventType, double rateBound,
                                const BetaEvidence& evidence);

// The reported probability quillmere gives for n patients of whom `events`
// had the event and none is pending. Every retained sweep then sees the same
// completed data, so the engine's mean is the single-precision incomplete
// beta value itself (twenty equal single-precision values add up exactly).
double completeDataProbability(EventType eventType, double rateBound, int patients, int events);

// Where the rule stops with n patients and every outcome known.
struct BoundaryRow {
    int patients = 0;
    // Toxicity and disease progression: the smallest event count that
    // terminates; efficacy: the largest response count that terminates.
    std::optional<int> boundary;
    double probabilityAtBoundary = 0.0;
    // The probability one count further on the continuing side (if any).
    std::optional<double> probabilityBeside;
    // Whether exactly the counts beyond the boundary terminate (single
    // precision could in principle break the monotone order).
    bool monotone = true;
};

std::vector<BoundaryRow> computeBoundaries(EventType eventType, double rateBound,
                                           double cutoffProbability, int maxPatients);

}  // namespace quillmere
