#include "numeric/sampling_envelope.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "numeric/arms_sampler.h"
#include "numeric/random_sources.h"
#include "test_densities.h"

namespace quillmere {
namespace {

using testing_support::bind;
using testing_support::negativeX;
using testing_support::RecordedDensity;

constexpr double lower = 0.001;
constexpr double upper = 100.0;

double constantLogDensity(double) {
    return 1.5;
}

SamplingEnvelope builtEnvelope(RecordedDensity& density) {
    SamplingEnvelope envelope;
    EXPECT_EQ(buildEnvelope(envelope, initialAbscissae(lower, upper), lower, upper, bind(density)),
              0);
    return envelope;
}

// Log-densities of many shapes: steep (most of the envelope far below the
// peak), with an interior mode, flat, and not concave.
std::vector<double (*)(double)> envelopeTestShapes() {
    return {negativeX,
            [](double x) { return -200.0 * x; },
            [](double x) { return -0.5 * (x - 30.0) * (x - 30.0) / 25.0; },
            [](double x) { return 40.0 * std::log(x) - 9000.0 * x; },
            constantLogDensity,
            [](double x) { return std::sin(x) * 3.0 - 0.01 * x; }};
}

// Draws a candidate, evaluates it and offers it to the envelope, as a
// rejected candidate is.
void insertDrawnCandidate(SamplingEnvelope& envelope, RecordedDensity& density,
                          Rand15Generator& generator) {
    HullNode candidate = drawFromEnvelope(envelope, openUniform(generator));
    candidate.logDensity = density.logDensity(candidate.x);
    candidate.scaledDensity = scaledExp(candidate.logDensity, envelope.peakLogDensity);
    candidate.evaluated = 1;
    insertNode(envelope, candidate, bind(density));
}

// The list runs from slot 0 (lower) to the right bound (upper), ordered by x,
// with evaluated and intersection nodes alternating, consistent links,
// non-decreasing areas, and exactly nodeCount nodes.
void expectSoundList(const SamplingEnvelope& envelope) {
    EXPECT_EQ(envelope.nodes[0].left, noNode);
    EXPECT_EQ(envelope.nodes[0].x, lower);
    int count = 1;
    int node = 0;
    while (envelope.nodes[node].right != noNode) {
        const int next = envelope.nodes[node].right;
        ASSERT_EQ(envelope.nodes[next].left, node);
        EXPECT_LE(envelope.nodes[node].x, envelope.nodes[next].x);
        EXPECT_NE(envelope.nodes[node].evaluated, envelope.nodes[next].evaluated);
        EXPECT_LE(envelope.nodes[node].cumulativeArea, envelope.nodes[next].cumulativeArea);
        node = next;
        ++count;
        ASSERT_LE(count, envelope.nodeCount);
    }
    EXPECT_EQ(envelope.nodes[node].x, upper);
    EXPECT_EQ(envelope.nodes[node].evaluated, 0);
    EXPECT_EQ(count, envelope.nodeCount);
}

TEST(BuildEnvelope, NineNodesInSlotOrder) {
    RecordedDensity density{negativeX, {}};
    const SamplingEnvelope envelope = builtEnvelope(density);
    const auto xs = initialAbscissae(lower, upper);
    EXPECT_EQ(envelope.nodeCount, 9);
    EXPECT_EQ(envelope.nodeCapacity, 100);
    EXPECT_EQ(density.evaluatedAt, std::vector<double>(xs.begin(), xs.end()));
    for (int slot = 0; slot < 9; ++slot) {
        EXPECT_EQ(envelope.nodes[slot].left, slot == 0 ? noNode : slot - 1);
        EXPECT_EQ(envelope.nodes[slot].right, slot == 8 ? noNode : slot + 1);
        EXPECT_EQ(envelope.nodes[slot].evaluated, slot % 2);
    }
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(envelope.nodes[2 * k + 1].x, xs[k]);
        EXPECT_EQ(envelope.nodes[2 * k + 1].logDensity, -xs[k]);
    }
    // The outer intersections sit on the first and the fourth abscissa.
    EXPECT_EQ(envelope.nodes[2].x, xs[0]);
    EXPECT_EQ(envelope.nodes[6].x, xs[3]);
    // The bound nodes continue the outermost chords, which for -x is -x.
    EXPECT_NEAR(envelope.nodes[0].logDensity, -lower, 1e-12);
    EXPECT_NEAR(envelope.nodes[8].logDensity, -upper, 1e-12);
    EXPECT_EQ(envelope.peakLogDensity, envelope.nodes[0].logDensity);
    EXPECT_EQ(envelope.nodes[0].scaledDensity, std::exp(50.0));
    expectSoundList(envelope);
}

// The nine-node envelope with its intersections placed one by one by
// placeIntersection, as it was first built.
SamplingEnvelope envelopeBuiltSlotBySlot(const std::array<double, 4>& abscissae,
                                         const std::array<double, 4>& logDensities) {
    SamplingEnvelope envelope;
    for (int slot = 0; slot < 9; ++slot) {
        envelope.nodes[slot].left = slot == 0 ? noNode : slot - 1;
        envelope.nodes[slot].right = slot == 8 ? noNode : slot + 1;
    }
    envelope.nodes[0].x = lower;
    envelope.nodes[8].x = upper;
    for (int k = 0; k < 4; ++k) {
        envelope.nodes[2 * k + 1].x = abscissae[k];
        envelope.nodes[2 * k + 1].logDensity = logDensities[k];
        envelope.nodes[2 * k + 1].evaluated = 1;
    }
    for (int slot = 0; slot < 9; slot += 2) {
        placeIntersection(envelope, slot);
    }
    normaliseEnvelope(envelope);
    return envelope;
}

std::uint64_t bitsOf(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

// buildEnvelope forms each chord slope once for its five intersections; every
// bit must be the one placeIntersection gives slot by slot: concave, convex
// and flat stretches, equal log-densities (zero slopes, whose sign depends
// on the order of the subtraction), zeros of either sign, very large values
// and non-finite ones (left to placeIntersection).
TEST(BuildEnvelope, IntersectionsAreThoseEachSlotWouldGetAlone) {
    std::mt19937_64 random(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const std::vector<double> special{0.0, -0.0, 1.5, -1.5, 1e300, -1e300, 1e-300, INFINITY, NAN};
    for (int trial = 0; trial < 20000; ++trial) {
        std::array<double, 4> abscissae =
            trial % 2 == 0 ? initialAbscissae(lower, upper)
                           : std::array<double, 4>{lower + unit(random), 30.0 + unit(random),
                                                   60.0 + 10 * unit(random), 99.0 + unit(random)};
        std::array<double, 4> y{};
        for (double& value : y) {
            switch (random() % 4) {
                case 0:
                    value = special[random() % (trial < 19000 ? 7 : special.size())];
                    break;
                case 1:
                    value = y[0];
                    break;
                default:
                    value = (unit(random) - 0.5) * std::pow(10.0, 6 * unit(random));
                    break;
            }
        }
        SamplingEnvelope built;
        ASSERT_EQ(buildEnvelope(built, abscissae, y, lower, upper), 0);
        const SamplingEnvelope expected = envelopeBuiltSlotBySlot(abscissae, y);
        SCOPED_TRACE(::testing::Message()
                     << trial << ": " << y[0] << ' ' << y[1] << ' ' << y[2] << ' ' << y[3]);
        EXPECT_EQ(built.failedCheck, expected.failedCheck);
        for (int slot = 0; slot < 9; ++slot) {
            const HullNode& a = built.nodes[slot];
            const HullNode& b = expected.nodes[slot];
            EXPECT_EQ(bitsOf(a.x), bitsOf(b.x)) << slot;
            EXPECT_EQ(bitsOf(a.logDensity), bitsOf(b.logDensity)) << slot;
            EXPECT_EQ(bitsOf(a.scaledDensity), bitsOf(b.scaledDensity)) << slot;
            EXPECT_EQ(bitsOf(a.cumulativeArea), bitsOf(b.cumulativeArea)) << slot;
        }
        EXPECT_EQ(bitsOf(built.peakLogDensity), bitsOf(expected.peakLogDensity));
    }
}

TEST(BuildEnvelope, ConstantDensityPutsIntersectionsMidwayAndSlightlyAbove) {
    RecordedDensity density{constantLogDensity, {}};
    SamplingEnvelope envelope = builtEnvelope(density);
    const auto xs = initialAbscissae(lower, upper);
    // Both heights are raised to 0.1: the crossing lies midway, 0.05 above.
    EXPECT_DOUBLE_EQ(envelope.nodes[4].x, (xs[1] + xs[2]) / 2.0);
    EXPECT_DOUBLE_EQ(envelope.nodes[4].logDensity, 1.5 + 0.05);
    EXPECT_DOUBLE_EQ(envelope.nodes[2].logDensity, 1.5 + 0.1);
    EXPECT_DOUBLE_EQ(envelope.nodes[6].logDensity, 1.5 + 0.1);

    // A new node between x2 and the middle intersection: its two
    // intersections have chords on both sides and are placed the same way.
    HullNode candidate;
    candidate.x = 45.0;
    candidate.logDensity = 1.5;
    candidate.evaluated = 1;
    candidate.left = 3;
    candidate.right = 4;
    insertNode(envelope, candidate, bind(density));
    expectSoundList(envelope);
    EXPECT_EQ(envelope.nodeCount, 11);
    const HullNode& added = envelope.nodes[9];
    EXPECT_EQ(added.x, 45.0);
    const HullNode& leftCrossing = envelope.nodes[added.left];
    const HullNode& rightCrossing = envelope.nodes[added.right];
    EXPECT_DOUBLE_EQ(leftCrossing.x, (xs[1] + 45.0) / 2.0);
    EXPECT_DOUBLE_EQ(leftCrossing.logDensity, 1.55);
    EXPECT_DOUBLE_EQ(rightCrossing.x, (45.0 + xs[2]) / 2.0);
    EXPECT_DOUBLE_EQ(rightCrossing.logDensity, 1.55);
}

TEST(InsertNode, CapacityAllowsFortyFiveInsertions) {
    RecordedDensity density{[](double x) { return -0.5 * (x - 30.0) * (x - 30.0) / 25.0; }, {}};
    SamplingEnvelope envelope = builtEnvelope(density);
    Rand15Generator generator;
    for (int insertion = 1; insertion <= 60; ++insertion) {
        insertDrawnCandidate(envelope, density, generator);
        EXPECT_EQ(envelope.nodeCount, std::min(9 + 2 * insertion, 99));
        expectSoundList(envelope);
    }
    // The last slot is never used.
    EXPECT_EQ(envelope.nodes[99].left, noNode);
    EXPECT_EQ(envelope.nodes[99].right, noNode);
    EXPECT_EQ(envelope.nodes[99].x, 0.0);
}

TEST(InsertNode, IgnoresAnUnevaluatedCandidate) {
    RecordedDensity density{negativeX, {}};
    SamplingEnvelope envelope = builtEnvelope(density);
    HullNode candidate = drawFromEnvelope(envelope, 0.5);
    insertNode(envelope, candidate, bind(density));
    EXPECT_EQ(envelope.nodeCount, 9);
}

TEST(InsertNode, CandidateTooCloseToANeighbourIsMovedAndEvaluatedAgain) {
    RecordedDensity density{negativeX, {}};
    SamplingEnvelope envelope = builtEnvelope(density);
    const auto xs = initialAbscissae(lower, upper);
    HullNode candidate;
    candidate.x = xs[1] + 1e-9;
    candidate.logDensity = -candidate.x;
    candidate.evaluated = 1;
    candidate.left = 3;   // the evaluated node at x2
    candidate.right = 4;  // the intersection between x2 and x3
    density.evaluatedAt.clear();
    insertNode(envelope, candidate, bind(density));
    const double moved = 0.99999 * xs[1] + 0.00001 * xs[2];
    ASSERT_EQ(density.evaluatedAt.size(), 1u);
    EXPECT_EQ(density.evaluatedAt[0], moved);
    EXPECT_EQ(envelope.nodes[9].x, moved);
    EXPECT_EQ(envelope.nodes[9].logDensity, -moved);
    expectSoundList(envelope);
}

// insertionMove must name, before the candidate is evaluated, exactly the
// abscissa insertNode gives it (the sampler lets the density form both values
// at once on the strength of it): over whole envelopes of several densities,
// up to and past full storage, next to bound nodes and evaluated nodes alike.
TEST(InsertionMove, ForetellsTheAbscissaInsertNodeGivesTheCandidate) {
    const std::vector<double (*)(double)> densities{
        negativeX, [](double x) { return -200.0 * x; },
        [](double x) { return -0.5 * (x - 30.0) * (x - 30.0) / 25.0; },
        [](double x) { return 40.0 * std::log(x) - 9000.0 * x; },
        [](double x) { return std::sin(x) * 3.0 - 0.01 * x; }};
    int moved = 0;
    Rand15Generator generator;
    for (int round = 0; round < 20; ++round) {
        for (const auto logDensity : densities) {
            RecordedDensity density{logDensity, {}};
            SamplingEnvelope envelope = builtEnvelope(density);
            for (int insertion = 0; insertion < 60; ++insertion) {
                HullNode candidate = drawFromEnvelope(envelope, openUniform(generator));
                const std::optional<double> foretold = insertionMove(envelope, candidate);
                candidate.logDensity = logDensity(candidate.x);
                candidate.scaledDensity = scaledExp(candidate.logDensity, envelope.peakLogDensity);
                candidate.evaluated = 1;
                const int countBefore = envelope.nodeCount;
                density.evaluatedAt.clear();
                insertNode(envelope, candidate, bind(density));
                if (envelope.nodeCount == countBefore) {
                    EXPECT_FALSE(foretold.has_value());  // full: ignored, never moved
                    continue;
                }
                const HullNode& inserted = envelope.nodes[countBefore];
                EXPECT_EQ(std::bit_cast<std::uint64_t>(inserted.x),
                          std::bit_cast<std::uint64_t>(foretold.value_or(candidate.x)))
                    << insertion;
                EXPECT_EQ(density.evaluatedAt.size(), foretold.has_value() ? 1u : 0u);
                moved += foretold.has_value() ? 1 : 0;
            }
        }
    }
    EXPECT_GT(moved, 20);
}

TEST(NormaliseEnvelope, NodesFarBelowThePeakAddNoArea) {
    RecordedDensity density{[](double x) { return -10.0 * x; }, {}};
    SamplingEnvelope envelope;
    ASSERT_EQ(buildEnvelope(envelope, initialAbscissae(0.0, 100.0), 0.0, 100.0, bind(density)), 0);
    // Everything from x1 = 20 on lies 200 or more below the peak at 0.
    for (int slot = 3; slot < 9; ++slot) {
        EXPECT_EQ(envelope.nodes[slot].scaledDensity, 0.0) << slot;
        EXPECT_EQ(envelope.nodes[slot].cumulativeArea, envelope.nodes[2].cumulativeArea) << slot;
    }
}

// normaliseEnvelope as plainly written: the peak, then every node scaled by
// scaledExp and every piece's area added by pieceArea, in list order.
void normaliseAsWritten(SamplingEnvelope& envelope) {
    double peak = envelope.nodes[0].logDensity;
    for (int n = envelope.nodes[0].right; n != noNode; n = envelope.nodes[n].right) {
        peak = envelope.nodes[n].logDensity > peak ? envelope.nodes[n].logDensity : peak;
    }
    envelope.peakLogDensity = peak;
    envelope.nodes[0].scaledDensity = scaledExp(envelope.nodes[0].logDensity, peak);
    envelope.nodes[0].cumulativeArea = 0.0;
    for (int n = envelope.nodes[0].right; n != noNode; n = envelope.nodes[n].right) {
        HullNode& node = envelope.nodes[n];
        node.scaledDensity = scaledExp(node.logDensity, peak);
        node.cumulativeArea = envelope.nodes[node.left].cumulativeArea + pieceArea(envelope, n);
    }
}

// The normalisation keeps exp(50) for nodes at the peak and adds nothing for
// pieces whose ends are both scaled to 0: every bit must be the plain one,
// with steep densities (most pieces far below the peak), flat ones, and
// log-densities of NaN or infinity put into a node.
TEST(NormaliseEnvelope, GivesTheBitsOfThePlainNormalisation) {
    Rand15Generator generator;
    int zeroPieces = 0;
    for (const auto logDensity : envelopeTestShapes()) {
        RecordedDensity density{logDensity, {}};
        SamplingEnvelope envelope = builtEnvelope(density);
        for (int insertion = 0; insertion < 40; ++insertion) {
            constexpr double infinity = std::numeric_limits<double>::infinity();
            for (const double odd :
                 {0.0, std::numeric_limits<double>::quiet_NaN(), -infinity, infinity}) {
                SamplingEnvelope normalised = envelope;
                const int slot = 1 + 2 * (insertion % 4);
                if (odd != 0.0 || std::isnan(odd)) {
                    normalised.nodes[slot].logDensity = odd;
                }
                SamplingEnvelope plain = normalised;
                normaliseEnvelope(normalised);
                normaliseAsWritten(plain);
                for (int n = 0; n < normalised.nodeCount; ++n) {
                    SCOPED_TRACE(::testing::Message() << insertion << " node " << n << " " << odd);
                    EXPECT_EQ(std::bit_cast<std::uint64_t>(normalised.nodes[n].scaledDensity),
                              std::bit_cast<std::uint64_t>(plain.nodes[n].scaledDensity));
                    EXPECT_EQ(std::bit_cast<std::uint64_t>(normalised.nodes[n].cumulativeArea),
                              std::bit_cast<std::uint64_t>(plain.nodes[n].cumulativeArea));
                    zeroPieces += plain.nodes[n].scaledDensity == 0.0;
                }
            }
            insertDrawnCandidate(envelope, density, generator);
        }
    }
    EXPECT_GT(zeroPieces, 1000);
}

TEST(DrawFromEnvelope, DrawsStayInsideTheirPiece) {
    RecordedDensity density{negativeX, {}};
    SamplingEnvelope envelope = builtEnvelope(density);
    for (const double u : {1e-6, 0.1, 0.5, 0.9, 1.0 - 1e-6}) {
        const HullNode w = drawFromEnvelope(envelope, u);
        EXPECT_EQ(w.evaluated, 0);
        EXPECT_LE(envelope.nodes[w.left].x, w.x);
        EXPECT_GE(envelope.nodes[w.right].x, w.x);
        EXPECT_EQ(envelope.nodes[w.left].right, w.right);
        EXPECT_EQ(w.cumulativeArea, u * envelope.nodes[8].cumulativeArea);
    }
}

// The piece a draw falls in, found as the envelope was first searched: from
// the right end leftwards while the left neighbour's cumulative area exceeds
// t.
int pieceFromTheRight(const SamplingEnvelope& envelope, double t) {
    int right = 8;
    while (envelope.nodes[envelope.nodes[right].left].cumulativeArea > t) {
        right = envelope.nodes[right].left;
    }
    return right;
}

// Draws are searched from the left end, where a hazard's mass lies; they must
// land in the piece the search from the right finds, also where pieces of no
// area (nodes far below the peak, or at the same x) make several nodes share
// one cumulative area, at t on a piece's end, and at t = 0 and the total.
TEST(DrawFromEnvelope, FindsThePieceTheSearchFromTheRightFinds) {
    Rand15Generator generator;
    int sharedAreas = 0;
    for (const auto logDensity : envelopeTestShapes()) {
        RecordedDensity density{logDensity, {}};
        SamplingEnvelope envelope = builtEnvelope(density);
        for (int insertion = 0; insertion < 30; ++insertion) {
            const double total = envelope.nodes[8].cumulativeArea;
            std::vector<double> us{0.0, 1.0, openUniform(generator), openUniform(generator)};
            for (int n = envelope.nodes[0].right; n != noNode; n = envelope.nodes[n].right) {
                us.push_back(envelope.nodes[n].cumulativeArea / total);
                const int next = envelope.nodes[n].right;
                sharedAreas += next != noNode && envelope.nodes[next].cumulativeArea ==
                                                     envelope.nodes[n].cumulativeArea;
            }
            for (const double u : us) {
                const HullNode w = drawFromEnvelope(envelope, u);
                EXPECT_EQ(w.right, pieceFromTheRight(envelope, u * total)) << u;
            }
            insertDrawnCandidate(envelope, density, generator);
        }
    }
    EXPECT_GT(sharedAreas, 10);
}

// A failed consistency check is kept in the envelope, with the exit status
// and finding the console program reports for it; the first one stays.
class EnvelopeCheckTest : public ::testing::Test {
  protected:
    RecordedDensity density{negativeX, {}};

    static void expectFailed(const SamplingEnvelope& envelope, EnvelopeCheck check, int status,
                             const std::string& findingStart) {
        EXPECT_EQ(envelope.failedCheck, check);
        const EnvelopeCheckReport report = envelopeCheckReport(envelope.failedCheck);
        EXPECT_EQ(report.exitStatus, status);
        EXPECT_EQ(std::string(report.finding).rfind(findingStart, 0), 0U) << report.finding;
    }
};

TEST_F(EnvelopeCheckTest, DrawOutsideItsPieceFailsWithStatus1) {
    // The stored densities contradict the log values, so inversion lands
    // far to the right of the piece. The two ends sit in the slots of the
    // bounds, 0 and 8, as in every built envelope.
    SamplingEnvelope envelope;
    envelope.nodes[0] = HullNode{0.0, 0.0, std::exp(60.0), 0.0, 0, noNode, 8};
    envelope.nodes[8] = HullNode{1.0, 1.0, std::exp(60.0), 1.0, 0, 0, noNode};
    envelope.nodeCount = 2;
    drawFromEnvelope(envelope, 0.5);
    expectFailed(envelope, EnvelopeCheck::DrawOutsidePiece, 1, "a value drawn");
}

TEST_F(EnvelopeCheckTest, PieceWithoutLeftEndFailsWithStatus1) {
    SamplingEnvelope envelope = builtEnvelope(density);
    EXPECT_EQ(pieceArea(envelope, 0), 0.0);
    expectFailed(envelope, EnvelopeCheck::PieceWithoutLeftEnd, 1, "a piece");
}

TEST_F(EnvelopeCheckTest, CandidateBetweenTwoEvaluatedNodesFailsWithStatus10) {
    SamplingEnvelope envelope = builtEnvelope(density);
    const SamplingEnvelope before = envelope;
    HullNode candidate{25.0, -25.0, 0.0, 0.0, 1, 1, 3};
    insertNode(envelope, candidate, bind(density));
    expectFailed(envelope, EnvelopeCheck::CandidateNeighboursAlike, 10, "a candidate's");
    EXPECT_EQ(envelope.nodeCount, before.nodeCount);

    SamplingEnvelope unbracketed = builtEnvelope(density);
    candidate.left = noNode;
    insertNode(unbracketed, candidate, bind(density));
    expectFailed(unbracketed, EnvelopeCheck::CandidateNotBracketed, 10, "a candidate to insert");
}

TEST_F(EnvelopeCheckTest, IntersectionChecksFailWithStatus30To32AndTheFirstFailureStays) {
    SamplingEnvelope onEvaluated = builtEnvelope(density);
    placeIntersection(onEvaluated, 3);
    expectFailed(onEvaluated, EnvelopeCheck::IntersectionOnEvaluatedNode, 30, "an intersection");

    SamplingEnvelope empty;
    placeIntersection(empty, 0);
    expectFailed(empty, EnvelopeCheck::NoChordSlope, 31, "no chord slope");

    SamplingEnvelope outside = builtEnvelope(density);
    outside.nodes[8].x = outside.nodes[7].x - 1.0;
    placeIntersection(outside, 8);
    expectFailed(outside, EnvelopeCheck::IntersectionOutsideNeighbours, 32, "an intersection");
    placeIntersection(outside, 3);
    EXPECT_EQ(outside.failedCheck, EnvelopeCheck::IntersectionOutsideNeighbours);
}

TEST(EnvelopeCheckCodes, EveryCheckTravelsAsOneSamplerCode) {
    for (int check = 1; check < envelopeCheckCount; ++check) {
        EXPECT_EQ(envelopeCheckOfCode(armsEnvelopeCheckBase + check),
                  static_cast<EnvelopeCheck>(check));
    }
    for (int code : {0, armsBadBounds, armsAttemptLimit, armsEnvelopeCheckBase,
                     armsEnvelopeCheckBase + envelopeCheckCount}) {
        EXPECT_EQ(envelopeCheckOfCode(code), EnvelopeCheck::Passed) << code;
    }
}

}  // namespace
}  // namespace quillmere
