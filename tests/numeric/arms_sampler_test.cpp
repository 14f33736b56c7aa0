#include "numeric/arms_sampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "test_densities.h"

namespace quillmere {
namespace {

using testing_support::bind;
using testing_support::negativeX;
using testing_support::RecordedDensity;

constexpr double lower = 0.001;
constexpr double upper = 100.0;
constexpr double untouched = -12345.0;

// Number of rand15 values drawn between two states of the generator.
int drawsBetween(Rand15Generator before, const Rand15Generator& after) {
    int draws = 0;
    while (before.state != after.state && draws < 10000000) {
        rand15(before);
        ++draws;
    }
    return draws;
}

std::string tenDigits(double v) {
    char text[32];
    std::snprintf(text, sizeof text, "%.10g", v);
    return text;
}

double peakedNormal(double x) {
    return -0.5 * (x - 30.0) * (x - 30.0) / 16.0;
}

// Two separated bumps: the envelope is often below the density, so the
// Metropolis step sometimes keeps the previous value.
double twoBumps(double x) {
    return std::log(0.5 * std::exp(-0.5 * (x - 20.0) * (x - 20.0) / 4.0) +
                    0.5 * std::exp(-0.5 * (x - 70.0) * (x - 70.0) / 25.0));
}

TEST(InitialAbscissae, FiveEqualPartsAsTheDriverPassesThem) {
    const auto xs = initialAbscissae(lower, upper);
    EXPECT_EQ(xs[0], std::strtod("20.0008", nullptr));
    EXPECT_EQ(xs[1], std::strtod("40.0006", nullptr));
    EXPECT_EQ(xs[2], std::strtod("60.00039999999999", nullptr));
    EXPECT_EQ(xs[3], std::strtod("80.0002", nullptr));

    RecordedDensity density{negativeX, {}};
    Rand15Generator generator;
    double sample = 0.0;
    ASSERT_EQ(sampleFromLogDensity(lower, upper, bind(density), 2.0, sample, generator), 0);
    ASSERT_GE(density.evaluatedAt.size(), 5u);
    EXPECT_EQ(std::vector<double>(density.evaluatedAt.begin(), density.evaluatedAt.begin() + 4),
              std::vector<double>(xs.begin(), xs.end()));
    EXPECT_EQ(density.evaluatedAt[4], 2.0);
}

TEST(SampleFromLogDensity, KnownAnswerForAnExponentialChain) {
    RecordedDensity density{negativeX, {}};
    Rand15Generator generator;
    double previous = 2.0;
    const char* expected[] = {"0.002267282155", "1.655074879", "0.4322384361", "1.373775317",
                              "1.240582695"};
    for (const char* value : expected) {
        density.evaluatedAt.clear();
        double sample = untouched;
        ASSERT_EQ(sampleFromLogDensity(lower, upper, bind(density), previous, sample, generator),
                  0);
        EXPECT_EQ(tenDigits(sample), value);
        EXPECT_EQ(density.evaluatedAt.size(), 6u);
        previous = sample;
    }
}

TEST(SampleFromLogDensity, BadBoundsAreRefusedBeforeAnyEvaluation) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double bounds[][2] = {{1.0, 1.0}, {2.0, 1.0}, {nan, 1.0}, {0.0, nan}, {-inf, 1.0}};
    for (const auto& bound : bounds) {
        RecordedDensity density{negativeX, {}};
        Rand15Generator generator;
        double sample = untouched;
        EXPECT_EQ(sampleFromLogDensity(bound[0], bound[1], bind(density), 0.5, sample, generator),
                  armsBadBounds)
            << bound[0] << ' ' << bound[1];
        EXPECT_TRUE(density.evaluatedAt.empty());
        EXPECT_EQ(sample, untouched);
        EXPECT_EQ(generator.state, 1u);
    }
}

TEST(BuildEnvelope, AbscissaeMustIncreaseStrictlyInsideTheBounds) {
    RecordedDensity density{negativeX, {}};
    SamplingEnvelope envelope;
    EXPECT_EQ(buildEnvelope(envelope, {1.0, 2.0, 2.0, 3.0}, 0.0, 4.0, bind(density)),
              armsAbscissaeNotIncreasing);
    EXPECT_EQ(buildEnvelope(envelope, {1.0, 3.0, 2.0, 3.5}, 0.0, 4.0, bind(density)),
              armsAbscissaeNotIncreasing);
    EXPECT_EQ(buildEnvelope(envelope, {0.0, 1.0, 2.0, 3.0}, 0.0, 4.0, bind(density)),
              armsBadBounds);
    EXPECT_EQ(buildEnvelope(envelope, {1.0, 2.0, 3.0, 4.0}, 0.0, 4.0, bind(density)),
              armsBadBounds);
    EXPECT_TRUE(density.evaluatedAt.empty());
}

TEST(SampleFromLogDensity, PreviousValueMustLieWithinTheBoundsEndsIncluded) {
    const double outside[] = {std::nextafter(lower, 0.0), std::nextafter(upper, 200.0),
                              std::numeric_limits<double>::quiet_NaN()};
    for (const double previous : outside) {
        RecordedDensity density{negativeX, {}};
        Rand15Generator generator;
        double sample = untouched;
        EXPECT_EQ(sampleFromLogDensity(lower, upper, bind(density), previous, sample, generator),
                  armsPreviousOutOfRange);
        EXPECT_EQ(density.evaluatedAt.size(), 4u);  // the envelope was built first
        EXPECT_EQ(sample, untouched);
    }
    for (const double previous : {lower, upper}) {
        RecordedDensity density{negativeX, {}};
        Rand15Generator generator;
        double sample = untouched;
        EXPECT_EQ(sampleFromLogDensity(lower, upper, bind(density), previous, sample, generator),
                  0);
        EXPECT_GE(sample, lower);
        EXPECT_LE(sample, upper);
    }
}

TEST(SampleFromLogDensity, UsesTwoUniformsPerRejectionAndThreeForTheAcceptedCandidate) {
    RecordedDensity density{peakedNormal, {}};
    Rand15Generator generator;
    double previous = 30.0;
    int totalRejections = 0;
    for (int call = 0; call < 30; ++call) {
        density.evaluatedAt.clear();
        const Rand15Generator before = generator;
        double sample = untouched;
        ASSERT_EQ(sampleFromLogDensity(lower, upper, bind(density), previous, sample, generator),
                  0);
        // Four abscissae, the previous value, then one evaluation per
        // candidate (no candidate of this run needed moving).
        const int rejections = static_cast<int>(density.evaluatedAt.size()) - 6;
        EXPECT_EQ(drawsBetween(before, generator), 2 * rejections + 3) << call;
        totalRejections += rejections;
        previous = sample;
    }
    EXPECT_GT(totalRejections, 30);
}

TEST(SampleFromLogDensity, ReturnsTheLastCandidateOrExactlyThePreviousValue) {
    RecordedDensity density{twoBumps, {}};
    Rand15Generator generator;
    double previous = 50.0;
    int moves = 0;
    int stays = 0;
    for (int call = 0; call < 400; ++call) {
        density.evaluatedAt.clear();
        double sample = untouched;
        ASSERT_EQ(sampleFromLogDensity(lower, upper, bind(density), previous, sample, generator),
                  0);
        if (sample == previous) {
            ++stays;
        } else {
            EXPECT_EQ(sample, density.evaluatedAt.back()) << call;
            ++moves;
        }
        previous = sample;
    }
    EXPECT_GT(moves, 0);
    EXPECT_GT(stays, 0);
}

TEST(JudgeCandidate, AcceptedFirstCandidateLeavesTheNineNodes) {
    RecordedDensity density{negativeX, {}};
    SamplingEnvelope envelope;
    ASSERT_EQ(buildEnvelope(envelope, initialAbscissae(lower, upper), lower, upper, bind(density)),
              0);
    ChainState chain{2.0, -2.0};
    Rand15Generator generator;
    Candidate candidate = drawCandidate(envelope, generator);
    // The draw and the threshold of the rejection test.
    EXPECT_EQ(drawsBetween(Rand15Generator{}, generator), 2);
    EXPECT_FALSE(candidate.moved.has_value());
    EXPECT_TRUE(judgeCandidate(envelope, candidate, bind(density), chain, generator));
    EXPECT_EQ(drawsBetween(Rand15Generator{}, generator), 3);
    EXPECT_EQ(envelope.nodeCount, 9);
    EXPECT_EQ(tenDigits(candidate.node.x), "0.002267282155");
    EXPECT_EQ(chain.previousX, candidate.node.x);
    EXPECT_EQ(chain.previousLogDensity, -candidate.node.x);
}

TEST(JudgeCandidate, RejectedCandidateRefinesTheEnvelopeAndKeepsTheChain) {
    RecordedDensity density{negativeX, {}};
    SamplingEnvelope envelope;
    ASSERT_EQ(buildEnvelope(envelope, initialAbscissae(lower, upper), lower, upper, bind(density)),
              0);
    // Judged against a density far below the envelope: certain rejection.
    RecordedDensity far{[](double x) { return -x - 1000.0; }, {}};
    ChainState chain{2.0, -2.0};
    Rand15Generator generator;
    Candidate drawn = drawCandidate(envelope, generator);
    const double candidate = drawn.node.x;
    // A rejection draws nothing beyond the candidate's two values.
    const Rand15Generator before = generator;
    EXPECT_FALSE(judgeCandidate(envelope, drawn, bind(far), chain, generator));
    EXPECT_EQ(drawsBetween(before, generator), 0);
    EXPECT_EQ(envelope.nodeCount, 11);
    EXPECT_EQ(envelope.nodes[9].x, candidate);
    EXPECT_EQ(envelope.nodes[9].logDensity, -candidate - 1000.0);
    EXPECT_EQ(chain.previousX, 2.0);
    EXPECT_EQ(chain.previousLogDensity, -2.0);
}

// High only at the five points the sampler evaluates before its first draw,
// so no drawn candidate can pass the rejection test.
double spikesAtTheStartingPoints(double x) {
    const auto xs = initialAbscissae(lower, upper);
    for (const double spike : {xs[0], xs[1], xs[2], xs[3], 50.0}) {
        if (x == spike) {
            return 0.0;
        }
    }
    return -1000.0;
}

TEST(SampleFromLogDensity, GivesUpAfterTheAttemptLimitInsteadOfLoopingForever) {
    RecordedDensity density{spikesAtTheStartingPoints, {}};
    Rand15Generator generator;
    double sample = untouched;
    EXPECT_EQ(sampleFromLogDensity(lower, upper, bind(density), 50.0, sample, generator),
              armsAttemptLimit);
    EXPECT_EQ(armsAttemptLimit, 1008);
    EXPECT_EQ(sample, untouched);
    // Every attempt was a rejection: a draw and a threshold each.
    EXPECT_EQ(drawsBetween(Rand15Generator{}, generator), 2 * armsMaxAttempts);
}

}  // namespace
}  // namespace quillmere

namespace quillmere {
namespace {

// A density that records announcements and evaluations in one sequence.
struct ForeseenDensity {
    double (*logDensity)(double x) = nullptr;
    std::vector<std::vector<double>> announcements;
    std::vector<std::size_t> announcedBeforeEvaluation;  // announcements so far, per evaluation
    std::vector<double> evaluatedAt;
};

double foreseenLogDensity(double x, void* context) {
    auto* density = static_cast<ForeseenDensity*>(context);
    density->evaluatedAt.push_back(x);
    density->announcedBeforeEvaluation.push_back(density->announcements.size());
    return density->logDensity(x);
}

bool recordAnnouncement(std::span<const double> points, std::span<double>, void* context) {
    static_cast<ForeseenDensity*>(context)->announcements.emplace_back(points.begin(),
                                                                       points.end());
    return false;
}

// The announcements are hints only: with or without a foresight the sampler
// draws the same values, evaluates the same points in the same order and
// consumes the same random numbers. Each announcement names the points
// evaluated next: the five of the envelope and the previous value, or a
// candidate alone, or a candidate and then, if it joins the envelope, the
// abscissa it is moved to.
TEST(SampleFromLogDensity, AnnouncementsChangeNothingAndNameTheNextEvaluations) {
    int movedEvaluations = 0;
    for (const auto logDensity : {negativeX, peakedNormal, twoBumps,
                                  +[](double x) { return 40.0 * std::log(x) - 9000.0 * x; }}) {
        RecordedDensity plain{logDensity, {}};
        ForeseenDensity foreseen{logDensity, {}, {}, {}};
        const LogDensityBinding withForesight{&foreseen, foreseenLogDensity, recordAnnouncement};
        Rand15Generator plainGenerator;
        Rand15Generator foreseenGenerator;
        double plainPrevious = 2.0;
        double foreseenPrevious = 2.0;
        for (int call = 0; call < 200; ++call) {
            double plainSample = 0.0;
            double foreseenSample = 0.0;
            ASSERT_EQ(sampleFromLogDensity(lower, upper, bind(plain), plainPrevious, plainSample,
                                           plainGenerator),
                      0);
            ASSERT_EQ(sampleFromLogDensity(lower, upper, withForesight, foreseenPrevious,
                                           foreseenSample, foreseenGenerator),
                      0);
            EXPECT_EQ(foreseenSample, plainSample);
            EXPECT_EQ(foreseenGenerator.state, plainGenerator.state);
            plainPrevious = plainSample;
            foreseenPrevious = foreseenSample;
        }
        ASSERT_EQ(foreseen.evaluatedAt, plain.evaluatedAt);

        for (std::size_t a = 0; a < foreseen.announcements.size(); ++a) {
            // The evaluations between this announcement and the next one.
            std::vector<double> following;
            for (std::size_t e = 0; e < foreseen.evaluatedAt.size(); ++e) {
                if (foreseen.announcedBeforeEvaluation[e] == a + 1) {
                    following.push_back(foreseen.evaluatedAt[e]);
                }
            }
            const std::vector<double>& points = foreseen.announcements[a];
            ASSERT_GE(following.size(), 1u);
            if (points.size() == 5) {
                ASSERT_GE(following.size(), 5u);
                EXPECT_EQ(std::vector<double>(following.begin(), following.begin() + 5), points);
            } else {
                ASSERT_LE(points.size(), 2u);
                EXPECT_EQ(following[0], points[0]);
                if (points.size() == 2 && following.size() > 1 && following[1] == points[1]) {
                    ++movedEvaluations;
                }
            }
        }
    }
    EXPECT_GT(movedEvaluations, 0);
}

}  // namespace
}  // namespace quillmere

namespace quillmere {
namespace {

// Draws n values with one record reused for every call, driven step by step
// (announce, continue) as sampleFromLogDensity drives a fresh record.
std::vector<double> drawnWithReusedRecord(const LogDensityBinding& binding,
                                          const std::vector<double>& previousValues,
                                          std::vector<int>& results) {
    ArmsCall call;
    Rand15Generator generator;
    std::vector<double> samples;
    for (const double previous : previousValues) {
        startArmsCall(call, lower, upper, previous);
        while (call.stage != ArmsStage::Finished) {
            EXPECT_FALSE(announcedPoints(call).empty());
            continueArmsCall(call, binding, generator);
        }
        EXPECT_TRUE(announcedPoints(call).empty());
        results.push_back(call.result);
        samples.push_back(call.result == 0 ? call.sample : untouched);
    }
    return samples;
}

// A record that held an earlier call, also one that failed, gives each new
// call exactly what a fresh record gives: nothing of the earlier envelope or
// its failures is carried over.
TEST(ArmsCall, AReusedRecordDrawsWhatFreshOnesDraw) {
    const std::vector<double> previousValues = {
        2.0, 30.0, 70.0, std::nextafter(lower, 0.0), 55.5, 0.5, upper, 20.0, 1.0, 99.0};
    for (const auto logDensity : {negativeX, peakedNormal, twoBumps}) {
        RecordedDensity reused{logDensity, {}};
        std::vector<int> reusedResults;
        const std::vector<double> samples =
            drawnWithReusedRecord(bind(reused), previousValues, reusedResults);

        RecordedDensity fresh{logDensity, {}};
        Rand15Generator generator;
        for (std::size_t call = 0; call < previousValues.size(); ++call) {
            double sample = untouched;
            const int result = sampleFromLogDensity(lower, upper, bind(fresh), previousValues[call],
                                                    sample, generator);
            EXPECT_EQ(result, reusedResults[call]) << call;
            EXPECT_EQ(sample, samples[call]) << call;
        }
        EXPECT_EQ(reusedResults[3], armsPreviousOutOfRange);
        EXPECT_EQ(reused.evaluatedAt, fresh.evaluatedAt);
    }
}

}  // namespace
}  // namespace quillmere

namespace quillmere {
namespace {

// A foresight that gives the values of every announced point: the sampler
// takes them instead of calling the function, and draws exactly what it
// draws without them.
bool giveValues(std::span<const double> points, std::span<double> values, void* context) {
    auto* density = static_cast<RecordedDensity*>(context);
    for (std::size_t i = 0; i < points.size(); ++i) {
        values[i] = density->logDensity(points[i]);
    }
    return true;
}

TEST(SampleFromLogDensity, ValuesGivenWithTheAnnouncementReplaceEvaluations) {
    for (const auto logDensity : {negativeX, peakedNormal, twoBumps,
                                  +[](double x) { return 40.0 * std::log(x) - 9000.0 * x; }}) {
        RecordedDensity plain{logDensity, {}};
        RecordedDensity given{logDensity, {}};
        const LogDensityBinding withValues{&given, testing_support::recordedLogDensity, giveValues};
        Rand15Generator plainGenerator;
        Rand15Generator givenGenerator;
        double plainPrevious = 2.0;
        double givenPrevious = 2.0;
        for (int call = 0; call < 200; ++call) {
            ASSERT_EQ(sampleFromLogDensity(lower, upper, bind(plain), plainPrevious, plainPrevious,
                                           plainGenerator),
                      0);
            ASSERT_EQ(sampleFromLogDensity(lower, upper, withValues, givenPrevious, givenPrevious,
                                           givenGenerator),
                      0);
            EXPECT_EQ(givenPrevious, plainPrevious);
            EXPECT_EQ(givenGenerator.state, plainGenerator.state);
        }
        EXPECT_GE(plain.evaluatedAt.size(), 6u * 200u);  // at least six a call
        EXPECT_TRUE(given.evaluatedAt.empty());
    }
}

}  // namespace
}  // namespace quillmere
