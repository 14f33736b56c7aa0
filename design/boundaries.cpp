#include "design/boundaries.h"

#include "numeric/incomplete_beta.h"
#include "trial/decision.h"

namespace quillmere {

double betaPosteriorProbability(EventType eventType, double rateBound,
                                const BetaEvidence& evidence) {
    // The same conversions to single precision as the engine's.
    const double bound = eventType == EventType::DiseaseProgression ? 1 - rateBound : rateBound;
    const double eventCount = evidence.events;
    const float a = static_cast<float>(eventCount + 0.1);
    const float b = static_cast<float>(evidence.nonEventWeight + 0.2);
    return reportedProbability(eventType, betai(a, b, static_cast<float>(bound)));
}

double completeDataProbability(EventType eventType, double rateBound, int patients, int events) {
    return betaPosteriorProbability(eventType, rateBound,
                                    {events, static_cast<double>(patients - events)});
}

namespace {

BoundaryRow boundaryRow(EventType eventType, double rateBound, double cutoff, int n) {
    // Efficacy stops on few responses, the other two on many events.
    const bool stopsOnFew = eventType == EventType::Efficacy;
    std::vector<bool> stops(n + 1);
    std::vector<double> probability(n + 1);
    for (int s = 0; s <= n; ++s) {
        probability[s] = completeDataProbability(eventType, rateBound, n, s);
        stops[s] = advisesTermination(probability[s], cutoff);
    }
    BoundaryRow row;
    row.patients = n;
    for (int s = 0; s <= n; ++s) {
        // The last stopping count when few stop, the first one when many do.
        if (stops[s] && (stopsOnFew || !row.boundary)) {
            row.boundary = s;
        }
    }
    if (!row.boundary) {
        return row;
    }
    const int b = *row.boundary;
    row.probabilityAtBoundary = probability[b];
    const int beside = stopsOnFew ? b + 1 : b - 1;
    if (beside >= 0 && beside <= n) {
        row.probabilityBeside = probability[beside];
    }
    for (int s = 0; s <= n; ++s) {
        const bool expected = stopsOnFew ? s <= b : s >= b;
        row.monotone = row.monotone && stops[s] == expected;
    }
    return row;
}

}  // namespace

std::vector<BoundaryRow> computeBoundaries(EventType eventType, double rateBound,
                                           double cutoffProbability, int maxPatients) {
    std::vector<BoundaryRow> rows;
    for (int n = 1; n <= maxPatients; ++n) {
        rows.push_back(boundaryRow(eventType, rateBound, cutoffProbability, n));
    }
    return rows;
}

}  // namespace quillmere
