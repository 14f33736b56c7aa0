#pragma once

#include <array>
#include <optional>
#include <span>

namespace quillmere {

// Logarithm of an unnormalised density, with the caller's context.
using LogDensityFunction = double (*)(double x, void* context);

// Told of points the sampler is about to evaluate, so that a density can
// form their values together. It may write the value at every point into
// `values` (as many as points) and return true: the sampler then takes them
// instead of evaluating the function at these points, so they must be
// exactly the function's values. Returning false leaves every point to the
// function, evaluated as if nothing had been announced.
using LogDensityForesight = bool (*)(std::span<const double> points, std::span<double> values,
                                     void* context);

struct LogDensityBinding {
    void* context = nullptr;
    LogDensityFunction function = nullptr;
    LogDensityForesight foresee = nullptr;  // optional
};

inline double evaluateLogDensity(const LogDensityBinding& binding, double x) {
    return binding.function(x, binding.context);
}

// Announces the points to the binding's foresight, if any; true when it gave
// their values.
inline bool announceEvaluations(const LogDensityBinding& binding, std::span<const double> points,
                                std::span<double> values) {
    return binding.foresee != nullptr && binding.foresee(points, values, binding.context);
}

inline constexpr int noNode = -1;

// One node of the envelope; neighbours are slot indices (noNode for none).
struct HullNode {
    double x = 0.0;
    double logDensity = 0.0;
    double scaledDensity = 0.0;
    double cumulativeArea = 0.0;
    int evaluated = 0;
    int left = noNode;
    int right = noNode;
};

inline constexpr int envelopeCapacity = 100;

// The envelope's internal consistency checks. A failed check means the
// envelope no longer describes a density and nothing sound can be drawn from
// it; the first failure is kept in the envelope and the sampler stops with it.
enum class EnvelopeCheck {
    Passed = 0,
    IntersectionOnEvaluatedNode,
    NoChordSlope,
    IntersectionOutsideNeighbours,
    PieceWithoutLeftEnd,
    DrawOutsidePiece,
    CandidateNotBracketed,
    CandidateNeighboursAlike,
};
inline constexpr int envelopeCheckCount = 8;

// How a failed check is reported: the exit status the console program has
// always ended with for it, and what the check found.
struct EnvelopeCheckReport {
    int exitStatus = 0;
    const char* finding = "";
};
EnvelopeCheckReport envelopeCheckReport(EnvelopeCheck check);

struct SamplingEnvelope {
    int nodeCount = 0;
    int nodeCapacity = envelopeCapacity;
    double peakLogDensity = 0.0;
    EnvelopeCheck failedCheck = EnvelopeCheck::Passed;
    std::array<HullNode, envelopeCapacity> nodes{};
    // The scaled density of a node at the peak, exp(50), once taken: every
    // normalisation needs it, and it is always the same number.
    std::optional<double> scaledPeak;
};

// Densities are stored scaled so that the largest is e^50:
// scaledExp(y, peak) = exp(y - peak + 50), or 0 when y lies 100 or more below
// the peak; unscaledLog is its inverse.
double scaledExp(double y, double peak);
double unscaledLog(double e, double peak);

// A failed internal check is recorded in failedCheck; the operation stops
// there and leaves the envelope unusable.

// Builds the nine-node envelope from four increasing abscissae strictly
// inside (lower, upper); returns 0, or 1003 / 1004 before any evaluation.
int buildEnvelope(SamplingEnvelope& envelope, const std::array<double, 4>& abscissae, double lower,
                  double upper, const LogDensityBinding& binding);
// The same with the log-density at the abscissae already formed.
int buildEnvelope(SamplingEnvelope& envelope, const std::array<double, 4>& abscissae,
                  const std::array<double, 4>& logDensities, double lower, double upper);
// Draws by inversion of the envelope's integral at u in (0, 1); the working
// node returned is not linked into the list, its left and right bracket it.
HullNode drawFromEnvelope(SamplingEnvelope& envelope, double u);
// Adds an evaluated candidate while storage has room (at most 45 times).
// When it is moved (see insertionMove) the log-density at its new abscissa is
// `movedLogDensity` if given, else evaluated through the binding.
void insertNode(SamplingEnvelope& envelope, const HullNode& candidate,
                const LogDensityBinding& binding,
                std::optional<double> movedLogDensity = std::nullopt);
// The abscissa insertNode will move a candidate to, once evaluated, to keep it
// away from its nearest evaluated neighbours; empty when insertNode will keep
// its x, ignore it, or fail on it.
std::optional<double> insertionMove(const SamplingEnvelope& envelope, const HullNode& candidate);
// Value of the log envelope at x in [lower, upper], by linear interpolation
// within the piece that holds it.
double envelopeLogAt(const SamplingEnvelope& envelope, double x);
void normaliseEnvelope(SamplingEnvelope& envelope);
void placeIntersection(SamplingEnvelope& envelope, int node);
double pieceArea(SamplingEnvelope& envelope, int node);

}  // namespace quillmere
