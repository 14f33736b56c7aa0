#include "numeric/sampling_envelope.h"

#include <cmath>
#include <optional>

#include "numeric/arms_sampler.h"
#include "numeric/elementary_functions.h"

namespace quillmere {

namespace {

// Log-density differences below which a piece is treated as a straight line.
constexpr double straightPieceSpread = 0.1;
// Smallest height of an intersection above the middle chord.
constexpr double minimumHeight = 0.1;
// Relative difference of the end densities below which a straight piece is
// inverted as a uniform one.
constexpr double flatPieceTolerance = 0.001;
// How far past the middle chord an outer chord that cuts under it is pushed,
// as a multiple of the slope difference.
constexpr double concavityAllowance = 1.0;
// Offset that keeps the largest scaled density at e^50.
constexpr double scaleOffset = 50.0;

// Keeps the first failed check; later operations on the envelope are void.
void failConsistencyCheck(SamplingEnvelope& envelope, EnvelopeCheck check) {
    if (envelope.failedCheck == EnvelopeCheck::Passed) {
        envelope.failedCheck = check;
    }
}

bool exists(int node) {
    return node != noNode;
}

// The nodes of the two bounds are the ends of the list from the moment the
// envelope is built: insertions always fall between two linked nodes. So the
// ends are found in their slots instead of by walking the list.
constexpr int initialNodes = 9;
constexpr int leftEndSlot = 0;
constexpr int rightEndSlot = initialNodes - 1;

// Two steps along the list, or noNode where the list ends.
int twoLeft(const SamplingEnvelope& envelope, int node) {
    const int left = envelope.nodes[node].left;
    return exists(left) ? envelope.nodes[left].left : noNode;
}
int twoRight(const SamplingEnvelope& envelope, int node) {
    const int right = envelope.nodes[node].right;
    return exists(right) ? envelope.nodes[right].right : noNode;
}

// Slope of the chord through two nodes, as (a.y - b.y) / (a.x - b.x).
double chordSlope(const HullNode& a, const HullNode& b) {
    return (a.logDensity - b.logDensity) / (a.x - b.x);
}

// A new evaluated node at x is kept at least 0.00001 of the span between its
// nearest evaluated neighbours a and b away from each of them: the limit it
// is moved to, if it lies beyond one.
std::optional<double> keptAwayAbscissa(double x, const HullNode& a, const HullNode& b) {
    const double leftLimit = 0.99999 * a.x + 0.00001 * b.x;
    const double rightLimit = 0.00001 * a.x + 0.99999 * b.x;
    if (x < leftLimit) {
        return leftLimit;
    }
    if (x > rightLimit) {
        return rightLimit;
    }
    return std::nullopt;
}

// 0, or why the abscissae cannot carry an envelope on (lower, upper).
int abscissaeCheck(const std::array<double, 4>& abscissae, double lower, double upper) {
    // Written as negated "<" so that a NaN bound or abscissa is refused too.
    if (!(lower < abscissae[0]) || !(abscissae[3] < upper)) {
        return armsBadBounds;
    }
    for (std::size_t k = 0; k + 1 < abscissae.size(); ++k) {
        if (!(abscissae[k] < abscissae[k + 1])) {
            return armsAbscissaeNotIncreasing;
        }
    }
    return 0;
}

// An outer chord pushed past the middle one where the log-density is not
// concave (see placeIntersection).
double pushedPast(double outer, double middle) {
    return (1.0 + concavityAllowance) * (middle - outer) + outer;
}

double atLeastMinimumHeight(double height) {
    return height < minimumHeight ? minimumHeight : height;
}

// An intersection bounded by chords on both sides, between its neighbours l
// and r at heights hL and hR above the middle chord.
void placeBetween(HullNode& q, const HullNode& l, const HullNode& r, double hL, double hR) {
    q.x = (l.x * hL + r.x * hR) / (hL + hR);
    q.logDensity = (r.logDensity * hR + l.logDensity * hL + hL * hR) / (hL + hR);
}

bool finiteLogDensities(const std::array<double, 4>& logDensities) {
    for (const double y : logDensities) {
        if (!std::isfinite(y)) {
            return false;
        }
    }
    return true;
}

// The chord slope through a and b taken the other way round, (b.y - a.y) /
// (b.x - a.x), given the slope (a.y - b.y) / (a.x - b.x): both operands
// change sign exactly, so the quotient is the same bits, except a zero slope,
// whose sign follows the order of the subtraction.
double slopeTakenBack(double slope, const HullNode& a, const HullNode& b) {
    return slope != 0.0 ? slope : chordSlope(b, a);
}

// The five intersections of the nine-node envelope (evaluated nodes in the
// odd slots, finite log-densities), each exactly as placeIntersection places
// it: the same formulas on the same operands in the same order, with each of
// the three chord slopes between the evaluated nodes formed once instead of
// two or three times, and none of the checks that cannot fail here.
void placeInitialIntersections(SamplingEnvelope& envelope) {
    auto& n = envelope.nodes;
    const double s13 = chordSlope(n[3], n[1]);
    const double s35 = chordSlope(n[5], n[3]);
    const double s57 = chordSlope(n[7], n[5]);

    // The lower bound: the chord from node 1 to node 3, extended.
    n[0].logDensity = n[1].logDensity - slopeTakenBack(s13, n[3], n[1]) * (n[1].x - n[0].x);

    // Between nodes 1 and 3 only the chord on the right bounds the piece.
    double sR = slopeTakenBack(s35, n[5], n[3]);
    if (sR > s13) {
        sR = pushedPast(sR, s13);
    }
    n[2].x = n[1].x;
    n[2].logDensity = n[1].logDensity + atLeastMinimumHeight((n[3].x - n[1].x) * (s13 - sR));

    // Between nodes 3 and 5, both chords.
    double sL = s13;
    if (sL < s35) {
        sL = pushedPast(sL, s35);
    }
    sR = slopeTakenBack(s57, n[7], n[5]);
    if (sR > s35) {
        sR = pushedPast(sR, s35);
    }
    const double hL = atLeastMinimumHeight((n[5].x - n[3].x) * (sL - s35));
    const double hR = atLeastMinimumHeight((n[5].x - n[3].x) * (s35 - sR));
    placeBetween(n[4], n[3], n[5], hL, hR);
    if (n[4].x < n[3].x || n[4].x > n[5].x) {
        failConsistencyCheck(envelope, EnvelopeCheck::IntersectionOutsideNeighbours);
    }

    // Between nodes 5 and 7 only the chord on the left.
    sL = s35;
    if (sL < s57) {
        sL = pushedPast(sL, s57);
    }
    n[6].x = n[7].x;
    n[6].logDensity = n[7].logDensity + atLeastMinimumHeight((n[7].x - n[5].x) * (sL - s57));

    // The upper bound: the chord from node 5 to node 7, extended.
    n[8].logDensity = n[7].logDensity + s57 * (n[8].x - n[7].x);
}

}  // namespace

double scaledExp(double y, double peak) {
    if (y - peak > -100.0) {
        return quillmere::exp(y - peak + scaleOffset);
    }
    return 0.0;
}

EnvelopeCheckReport envelopeCheckReport(EnvelopeCheck check) {
    switch (check) {
        case EnvelopeCheck::Passed:
            return {0, "none"};
        case EnvelopeCheck::IntersectionOnEvaluatedNode:
            return {30, "an intersection was to be placed on an evaluated node"};
        case EnvelopeCheck::NoChordSlope:
            return {31, "no chord slope on either side of an intersection node"};
        case EnvelopeCheck::IntersectionOutsideNeighbours:
            return {32, "an intersection node lies outside its neighbours"};
        case EnvelopeCheck::PieceWithoutLeftEnd:
            return {1, "a piece of the envelope has no left end"};
        case EnvelopeCheck::DrawOutsidePiece:
            return {1, "a value drawn from the envelope lies outside its piece"};
        case EnvelopeCheck::CandidateNotBracketed:
            return {10, "a candidate to insert is not bracketed by two nodes"};
        case EnvelopeCheck::CandidateNeighboursAlike:
            return {10, "a candidate's neighbours are both evaluated or both intersection nodes"};
    }
    return {1, "unknown check"};
}

double unscaledLog(double e, double peak) {
    return quillmere::log(e) + peak - scaleOffset;
}

int buildEnvelope(SamplingEnvelope& envelope, const std::array<double, 4>& abscissae, double lower,
                  double upper, const LogDensityBinding& binding) {
    if (const int check = abscissaeCheck(abscissae, lower, upper); check != 0) {
        return check;
    }
    std::array<double, 4> logDensities{};
    for (std::size_t k = 0; k < abscissae.size(); ++k) {
        logDensities[k] = evaluateLogDensity(binding, abscissae[k]);
    }
    return buildEnvelope(envelope, abscissae, logDensities, lower, upper);
}

int buildEnvelope(SamplingEnvelope& envelope, const std::array<double, 4>& abscissae,
                  const std::array<double, 4>& logDensities, double lower, double upper) {
    if (const int check = abscissaeCheck(abscissae, lower, upper); check != 0) {
        return check;
    }
    // The storage may hold an earlier call's envelope: every node of the new
    // one is set afresh, and so is the record of failed checks.
    envelope.nodeCapacity = envelopeCapacity;
    envelope.failedCheck = EnvelopeCheck::Passed;
    for (int slot = 0; slot < initialNodes; ++slot) {
        HullNode& node = envelope.nodes[slot];
        node = HullNode{};
        node.left = slot == 0 ? noNode : slot - 1;
        node.right = slot == initialNodes - 1 ? noNode : slot + 1;
    }
    envelope.nodes[leftEndSlot].x = lower;
    envelope.nodes[rightEndSlot].x = upper;
    for (int k = 0; k < 4; ++k) {
        HullNode& node = envelope.nodes[2 * k + 1];
        node.x = abscissae[static_cast<std::size_t>(k)];
        node.logDensity = logDensities[static_cast<std::size_t>(k)];
        node.evaluated = 1;
    }
    if (finiteLogDensities(logDensities)) {
        placeInitialIntersections(envelope);
    } else {
        for (int slot = 0; slot < initialNodes; slot += 2) {
            placeIntersection(envelope, slot);
        }
    }
    normaliseEnvelope(envelope);
    envelope.nodeCount = initialNodes;
    return 0;
}

void placeIntersection(SamplingEnvelope& envelope, int node) {
    HullNode& q = envelope.nodes[node];
    if (q.evaluated != 0) {
        failConsistencyCheck(envelope, EnvelopeCheck::IntersectionOnEvaluatedNode);
        return;
    }
    const bool hasLeft = exists(q.left);
    const bool hasRight = exists(q.right);
    const HullNode* l = hasLeft ? &envelope.nodes[q.left] : nullptr;
    const HullNode* r = hasRight ? &envelope.nodes[q.right] : nullptr;

    // Chord slopes: from the previous evaluated node to L, from R to the next
    // one, and across the piece from L to R.
    const int beforeLeft = hasLeft ? twoLeft(envelope, q.left) : noNode;
    const int afterRight = hasRight ? twoRight(envelope, q.right) : noNode;
    const bool hasSL = exists(beforeLeft);
    const bool hasSR = exists(afterRight);
    const bool hasSM = hasLeft && hasRight;
    double sL = hasSL ? chordSlope(*l, envelope.nodes[beforeLeft]) : 0.0;
    double sR = hasSR ? chordSlope(*r, envelope.nodes[afterRight]) : 0.0;
    const double sM = hasSM ? chordSlope(*r, *l) : 0.0;

    // Where the log-density is not concave the outer chords would cut under
    // the middle one; push them past it.
    if (hasSL && hasSM && sL < sM) {
        sL = pushedPast(sL, sM);
    }
    if (hasSR && hasSM && sR > sM) {
        sR = pushedPast(sR, sM);
    }

    double hL = 0.0;
    double hR = 0.0;
    if (hasSL && hasSM) {
        hL = atLeastMinimumHeight((r->x - l->x) * (sL - sM));
    }
    if (hasSR && hasSM) {
        hR = atLeastMinimumHeight((r->x - l->x) * (sM - sR));
    }

    if (hasSL && hasSR && hasSM) {
        placeBetween(q, *l, *r, hL, hR);
    } else if (hasSL && hasSM) {
        q.x = r->x;
        q.logDensity = r->logDensity + hL;
    } else if (hasSR && hasSM) {
        q.x = l->x;
        q.logDensity = l->logDensity + hR;
    } else if (hasSL) {
        q.logDensity = l->logDensity + sL * (q.x - l->x);
    } else if (hasSR) {
        q.logDensity = r->logDensity - sR * (r->x - q.x);
    } else {
        failConsistencyCheck(envelope, EnvelopeCheck::NoChordSlope);
        return;
    }

    if ((hasLeft && q.x < l->x) || (hasRight && q.x > r->x)) {
        failConsistencyCheck(envelope, EnvelopeCheck::IntersectionOutsideNeighbours);
    }
}

double pieceArea(SamplingEnvelope& envelope, int node) {
    const HullNode& q = envelope.nodes[node];
    if (!exists(q.left)) {
        failConsistencyCheck(envelope, EnvelopeCheck::PieceWithoutLeftEnd);
        return 0.0;
    }
    const HullNode& l = envelope.nodes[q.left];
    if (l.x == q.x) {
        return 0.0;
    }
    if (std::fabs(q.logDensity - l.logDensity) < straightPieceSpread) {
        return 0.5 * (l.scaledDensity + q.scaledDensity) * (q.x - l.x);
    }
    return (q.scaledDensity - l.scaledDensity) / (q.logDensity - l.logDensity) * (q.x - l.x);
}

std::optional<double> insertionMove(const SamplingEnvelope& envelope, const HullNode& candidate) {
    if (envelope.nodeCount > envelope.nodeCapacity - 2) {
        return std::nullopt;
    }
    const int leftEnd = candidate.left;
    const int rightEnd = candidate.right;
    if (!exists(leftEnd) || !exists(rightEnd)) {
        return std::nullopt;
    }
    const bool leftEvaluated = envelope.nodes[leftEnd].evaluated != 0;
    const bool rightEvaluated = envelope.nodes[rightEnd].evaluated != 0;
    if (leftEvaluated == rightEvaluated) {
        return std::nullopt;
    }
    // The node's nearest evaluated neighbours once it and its new
    // intersection are linked in (see insertNode): the new intersection
    // lies on the evaluated end's side, so that end is one of them, and the
    // other is the evaluated node beyond the intersection end, or that end
    // itself when it is a bound node.
    int a = leftEnd;
    int b = rightEnd;
    if (leftEvaluated) {
        const int beyond = envelope.nodes[rightEnd].right;
        b = exists(beyond) ? beyond : rightEnd;
    } else {
        const int beyond = envelope.nodes[leftEnd].left;
        a = exists(beyond) ? beyond : leftEnd;
    }
    return keptAwayAbscissa(candidate.x, envelope.nodes[a], envelope.nodes[b]);
}

double envelopeLogAt(const SamplingEnvelope& envelope, double x) {
    int q = leftEndSlot;
    while (exists(envelope.nodes[q].right) && x > envelope.nodes[envelope.nodes[q].right].x) {
        q = envelope.nodes[q].right;
    }
    const HullNode& left = envelope.nodes[q];
    const HullNode& right = envelope.nodes[left.right];
    return ((x - left.x) / (right.x - left.x)) * (right.logDensity - left.logDensity) +
           left.logDensity;
}

namespace {

// scaledExp of y under the envelope's peak. A node at the peak (y - peak is
// ±0, and ±0 + 50 is 50) takes the value the envelope kept from the first
// time it was formed.
double scaledDensityAt(SamplingEnvelope& envelope, double y) {
    if (y - envelope.peakLogDensity != 0.0) {
        return scaledExp(y, envelope.peakLogDensity);
    }
    if (!envelope.scaledPeak) {
        envelope.scaledPeak = scaledExp(y, envelope.peakLogDensity);
    }
    return *envelope.scaledPeak;
}

// Whether the piece from l to q has an area of ±0, which leaves the running
// total of areas as it is (a total that starts at +0.0 is never -0): both
// ends are far enough below the peak to be scaled to 0, and their
// log-densities differ by a number (not NaN, where the area is NaN).
bool addsNoArea(const HullNode& l, const HullNode& q) {
    return l.scaledDensity == 0.0 && q.scaledDensity == 0.0 &&
           !std::isnan(q.logDensity - l.logDensity);
}

}  // namespace

void normaliseEnvelope(SamplingEnvelope& envelope) {
    const int first = leftEndSlot;
    double peak = envelope.nodes[first].logDensity;
    for (int n = envelope.nodes[first].right; exists(n); n = envelope.nodes[n].right) {
        if (envelope.nodes[n].logDensity > peak) {
            peak = envelope.nodes[n].logDensity;
        }
    }
    envelope.peakLogDensity = peak;
    // A piece's area needs the scaled densities of its two ends only, so each
    // node is scaled and then closes the piece to its left in the same walk.
    envelope.nodes[first].scaledDensity =
        scaledDensityAt(envelope, envelope.nodes[first].logDensity);
    envelope.nodes[first].cumulativeArea = 0.0;
    for (int n = envelope.nodes[first].right; exists(n); n = envelope.nodes[n].right) {
        HullNode& node = envelope.nodes[n];
        node.scaledDensity = scaledDensityAt(envelope, node.logDensity);
        const HullNode& left = envelope.nodes[node.left];
        node.cumulativeArea = addsNoArea(left, node) ? left.cumulativeArea
                                                     : left.cumulativeArea + pieceArea(envelope, n);
    }
}

namespace {

// The piece that holds t: the rightmost node whose left neighbour's
// cumulative area is at most t. Cumulative areas never decrease along the
// list, so walking from the left end (where a hazard's mass lies, near the
// lower bound) finds the node the walk from the right end finds, in fewer
// steps. A NaN t is where the two walks part: the walk from the right stops
// at once, and so this does as well.
int pieceHolding(const SamplingEnvelope& envelope, double t) {
    if (std::isnan(t)) {
        return rightEndSlot;
    }
    int right = envelope.nodes[leftEndSlot].right;
    while (envelope.nodes[right].right != noNode && envelope.nodes[right].cumulativeArea <= t) {
        right = envelope.nodes[right].right;
    }
    return right;
}

}  // namespace

HullNode drawFromEnvelope(SamplingEnvelope& envelope, double u) {
    const double t = u * envelope.nodes[rightEndSlot].cumulativeArea;
    const int right = pieceHolding(envelope, t);
    const HullNode& q = envelope.nodes[right];
    const HullNode& l = envelope.nodes[q.left];

    HullNode working;
    working.left = q.left;
    working.right = right;
    working.evaluated = 0;
    working.cumulativeArea = t;
    const double p = (t - l.cumulativeArea) / (q.cumulativeArea - l.cumulativeArea);

    if (l.x == q.x) {
        working.x = q.x;
        working.logDensity = q.logDensity;
        working.scaledDensity = q.scaledDensity;
    } else {
        const double yL = l.logDensity;
        const double yR = q.logDensity;
        const double eL = l.scaledDensity;
        const double eR = q.scaledDensity;
        const double width = q.x - l.x;
        if (std::fabs(yR - yL) < straightPieceSpread) {
            // The piece was integrated as a straight line: invert its
            // quadratic integral, or the linear one when it is nearly flat.
            if (std::fabs(eR - eL) > flatPieceTolerance * std::fabs(eR + eL)) {
                working.x =
                    l.x + (width / (eR - eL)) * (std::sqrt((1.0 - p) * eL * eL + p * eR * eR) - eL);
            } else {
                working.x = l.x + width * p;
            }
            working.scaledDensity = ((working.x - l.x) / width) * (eR - eL) + eL;
            working.logDensity = unscaledLog(working.scaledDensity, envelope.peakLogDensity);
        } else {
            working.x =
                l.x + (width / (yR - yL)) *
                          (unscaledLog((1.0 - p) * eL + p * eR, envelope.peakLogDensity) - yL);
            working.logDensity = ((working.x - l.x) / width) * (yR - yL) + yL;
            working.scaledDensity = scaledExp(working.logDensity, envelope.peakLogDensity);
        }
    }
    if (working.x < l.x || working.x > q.x) {
        failConsistencyCheck(envelope, EnvelopeCheck::DrawOutsidePiece);
    }
    return working;
}

void insertNode(SamplingEnvelope& envelope, const HullNode& candidate,
                const LogDensityBinding& binding, std::optional<double> movedLogDensity) {
    if (candidate.evaluated == 0 || envelope.nodeCount > envelope.nodeCapacity - 2) {
        return;
    }
    const int leftEnd = candidate.left;
    const int rightEnd = candidate.right;
    if (!exists(leftEnd) || !exists(rightEnd)) {
        failConsistencyCheck(envelope, EnvelopeCheck::CandidateNotBracketed);
        return;
    }
    const bool leftEvaluated = envelope.nodes[leftEnd].evaluated != 0;
    const bool rightEvaluated = envelope.nodes[rightEnd].evaluated != 0;
    if (leftEvaluated == rightEvaluated) {
        failConsistencyCheck(envelope, EnvelopeCheck::CandidateNeighboursAlike);
        return;
    }

    // The node is kept away from its nearest evaluated neighbours: moved to
    // the abscissa the sampler foretold when it announced the candidate, and
    // evaluated there unless that value came with the announcement.
    const std::optional<double> moved = insertionMove(envelope, candidate);
    if (moved && !movedLogDensity) {
        movedLogDensity = evaluateLogDensity(binding, *moved);
    }

    const int q = envelope.nodeCount;
    const int m = envelope.nodeCount + 1;
    envelope.nodeCount += 2;
    HullNode& newNode = envelope.nodes[q];
    newNode = HullNode{};
    newNode.x = moved.value_or(candidate.x);
    newNode.logDensity = moved ? *movedLogDensity : candidate.logDensity;
    newNode.evaluated = 1;
    HullNode& newIntersection = envelope.nodes[m];
    newIntersection = HullNode{};

    // Evaluated and intersection nodes keep alternating along the list.
    const int first = leftEvaluated ? m : q;
    const int second = leftEvaluated ? q : m;
    envelope.nodes[first].left = leftEnd;
    envelope.nodes[first].right = second;
    envelope.nodes[second].left = first;
    envelope.nodes[second].right = rightEnd;
    envelope.nodes[leftEnd].right = first;
    envelope.nodes[rightEnd].left = second;

    placeIntersection(envelope, envelope.nodes[q].left);
    placeIntersection(envelope, envelope.nodes[q].right);
    const int outerLeft = twoLeft(envelope, q);
    if (exists(outerLeft) && exists(envelope.nodes[outerLeft].left)) {
        placeIntersection(envelope, envelope.nodes[outerLeft].left);
    }
    const int outerRight = twoRight(envelope, q);
    if (exists(outerRight) && exists(envelope.nodes[outerRight].right)) {
        placeIntersection(envelope, envelope.nodes[outerRight].right);
    }
    normaliseEnvelope(envelope);
}

}  // namespace quillmere
