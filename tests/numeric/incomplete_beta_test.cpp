#include "numeric/incomplete_beta.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>

namespace quillmere {
namespace {

TEST(Betai, ReferenceValues) {
    EXPECT_NEAR(betai(2.1f, 8.2f, 0.3f), 0.797543, 5e-7);
    EXPECT_NEAR(betai(5.1f, 3.2f, 0.6f), 0.445166, 5e-7);
    // The single-precision neighbour of 0.3 below it.
    EXPECT_EQ(betai(1.0f, 1.0f, 0.3f), 0.29999998f);
    EXPECT_EQ(betai(1.0f, 1.0f, 0.3f), std::nextafter(0.3f, 0.0f));
}

TEST(Betai, SinglePrecisionErrorGrowsWithLargeParameters) {
    // The exact value is about 0.5002; the program's results rest on 0.5076.
    const float result = betai(20000.1f, 20000.2f, 0.5f);
    EXPECT_NEAR(result, 0.5076f, 5e-5f);
    EXPECT_GT(result - 0.5002f, 0.007f);
}

TEST(Betai, EndsOfTheUnitInterval) {
    for (const float a : {0.5f, 1.0f, 3.7f, 250.0f}) {
        for (const float b : {0.5f, 2.0f, 41.5f}) {
            EXPECT_EQ(betai(a, b, 0.0f), 0.0f) << a << ' ' << b;
            EXPECT_EQ(betai(a, b, 1.0f), 1.0f) << a << ' ' << b;
        }
    }
}

TEST(Betai, UniformDistributionGivesXToSinglePrecision) {
    for (int i = 1; i < 1000; ++i) {
        const float x = static_cast<float>(i) / 1000.0f;
        EXPECT_NEAR(betai(1.0f, 1.0f, x), x, 4.0f * FLT_EPSILON * x) << x;
    }
}

TEST(Betai, SymmetryRelation) {
    // Each side takes a hundred or so float operations; a few 1e-6 is what
    // single precision allows, a wrong branch or prefactor is off by far more.
    for (const float a : {0.5f, 2.1f, 5.1f, 12.5f}) {
        for (const float b : {0.7f, 3.2f, 8.2f}) {
            for (int i = 1; i < 100; ++i) {
                const float x = static_cast<float>(i) / 100.0f;
                const float mirrored = static_cast<float>(1.0 - static_cast<double>(x));
                EXPECT_NEAR(betai(a, b, x), 1.0f - betai(b, a, mirrored), 1e-5f)
                    << a << ' ' << b << ' ' << x;
            }
        }
    }
}

TEST(Betai, SymmetryPointUsesTheMirroredFraction) {
    // x = (a + 1) / (a + b + 2) exactly: the mirrored branch gives these
    // bits, the direct one 0x1.fffffap-2 and 0x1.867ffap-1.
    EXPECT_EQ(betai(3.0f, 3.0f, 0.5f), 0x1.000004p-1f);
    EXPECT_EQ(betai(1.0f, 5.0f, 0.25f), 0x1.868p-1f);
}

// The logarithm of x must be the double logarithm rounded to float: at these
// x the float logarithm differs in the last bit, and the results below would
// change.
TEST(Betai, LogarithmOfXIsTheRoundedDoubleLogarithm) {
    for (const float x : {0.824f, 0.889f, 0.915f}) {
        EXPECT_NE(static_cast<float>(std::log(static_cast<double>(x))), std::log(x)) << x;
    }
    EXPECT_EQ(betai(25.5f, 5.5f, 0.824f), 0x1.ded8ep-2f);
    EXPECT_EQ(betai(40.5f, 10.5f, 0.824f), 0x1.5ded36p-1f);
    EXPECT_EQ(betai(8.2f, 2.1f, 0.824f), 0x1.0e0b0cp-1f);
    EXPECT_EQ(betai(40.5f, 10.5f, 0.889f), 0x1.f0894ep-1f);
    EXPECT_EQ(betai(8.2f, 2.1f, 0.889f), 0x1.8177e4p-1f);
    EXPECT_EQ(betai(20.5f, 2.5f, 0.915f), 0x1.2a4c1cp-1f);
    EXPECT_EQ(betai(50.5f, 4.5f, 0.915f), 0x1.a5ecp-2f);
}

TEST(Betai, BadXIsNotedAndTheComputationGoesOn) {
    NumericNotes notes;
    const float below = betai(2.0f, 3.0f, -0.1f, notes);
    EXPECT_TRUE(std::isnan(below));
    const float above = betai(2.0f, 3.0f, 1.5f, notes);
    EXPECT_TRUE(std::isnan(above));
    EXPECT_EQ(notes, (NumericNotes{betaiBadXNote, betaiBadXNote}));
    EXPECT_EQ(betaiBadXNote, "Bad x in routine betai");
}

TEST(Betai, ValidArgumentsNoteNothingAndWriteNothing) {
    NumericNotes notes;
    testing::internal::CaptureStdout();
    betai(2.1f, 8.2f, 0.3f, notes);
    betai(20000.1f, 20000.2f, 0.5f, notes);
    betai(1e6f, 1e6f, 0.5f);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_TRUE(notes.empty());
}

TEST(Betacf, NoConvergenceIsNotedAndTheLastValueUsed) {
    NumericNotes notes;
    const float result = betai(1e6f, 1e6f, 0.5f, notes);
    EXPECT_EQ(notes, NumericNotes{betacfNoConvergenceNote});
    EXPECT_EQ(betacfNoConvergenceNote, "a or b too big, or MAXIT too small in betacf");
    EXPECT_TRUE(std::isfinite(result));
    EXPECT_EQ(result, betai(1e6f, 1e6f, 0.5f));
}

TEST(LogGamma, KnownValues) {
    EXPECT_NEAR(logGamma(1.0f), 0.0f, 1e-6f);
    EXPECT_NEAR(logGamma(2.0f), 0.0f, 1e-6f);
    EXPECT_NEAR(logGamma(0.5f), 0.5723649f, 1e-6f);    // ln sqrt(pi)
    EXPECT_NEAR(logGamma(10.0f), 12.8018275f, 2e-6f);  // ln 9!
    EXPECT_NEAR(logGamma(40000.3f), 383864.19f, 0.05f);
}

}  // namespace
}  // namespace quillmere
