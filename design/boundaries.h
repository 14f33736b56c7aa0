#pragma once

#include <optional>
#include <ostream>
#include <vector>

#include "trial/event_type.h"

namespace quillmere {

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
