#include "numeric/random_sources.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

namespace quillmere {
namespace {

TEST(NextUniform, FirstValuesFromTheFixedSeed) {
    UniformGenerator generator;
    EXPECT_EQ(nextUniform(generator), 0.7879286167848271);
    EXPECT_EQ(nextUniform(generator), 0.909089254098817);
    EXPECT_EQ(nextUniform(generator), 0.8148496802069014);
    EXPECT_EQ(nextUniform(generator), 0.22320022044663307);
    EXPECT_EQ(nextUniform(generator), 0.2635771748801176);
}

TEST(NextUniform, DrawingFromOneInstanceLeavesAnotherUntouched) {
    UniformGenerator first;
    UniformGenerator second;
    for (int i = 0; i < 10; ++i) {
        nextUniform(first);
    }
    EXPECT_FALSE(second.initialised);
    EXPECT_EQ(nextUniform(second), 0.7879286167848271);
}

TEST(NextUniform, ValuesStayInsideTheDocumentedRange) {
    UniformGenerator generator;
    double smallest = 1.0;
    double largest = 0.0;
    for (int i = 0; i < 300000; ++i) {
        const double v = nextUniform(generator);
        smallest = std::min(smallest, v);
        largest = std::max(largest, v);
    }
    EXPECT_GE(smallest, 0.0);
    EXPECT_LT(largest, 1.0000000023);
    EXPECT_LT(smallest, 1e-4);
    EXPECT_GT(largest, 1.0 - 1e-4);
}

// The state that the coarse and fine generators step from to reach the given
// values (the steps are bijections on their ranges).
std::int32_t predecessor(std::int32_t target, std::int32_t multiplier, std::int32_t increment,
                         std::int32_t modulus) {
    for (std::int32_t s = 0; s < modulus; ++s) {
        if ((multiplier * s + increment) % modulus == target) {
            return s;
        }
    }
    return -1;
}

// Stores v(a, b) of the given states into the table and returns it.
double storedValueFor(std::int32_t a, std::int32_t b) {
    UniformGenerator generator;
    generator.initialised = true;
    generator.shuffleTable.fill(-1.0);
    generator.coarseState = predecessor(a, 7141, 54773, 259200);
    generator.fineState = predecessor(b, 8121, 28411, 134456);
    EXPECT_EQ(nextUniform(generator), -1.0);
    EXPECT_EQ(generator.coarseState, a);
    EXPECT_EQ(generator.fineState, b);
    for (const double v : generator.shuffleTable) {
        if (v != -1.0) {
            return v;
        }
    }
    return -1.0;
}

TEST(NextUniform, ExtremeValuesComeFromTheDecimalScaleConstants) {
    EXPECT_EQ(storedValueFor(0, 0), 0.0);
    // Slightly above 1 because the scale factors are short decimals, and
    // returned unclamped.
    const double largest = storedValueFor(259199, 134455);
    EXPECT_GT(largest, 1.0 + 2.1e-9);
    EXPECT_LT(largest, 1.0 + 2.3e-9);
}

TEST(Rand15, FirstValuesFromStateOne) {
    Rand15Generator generator;
    for (const int expected : {41, 18467, 6334, 26500, 19169, 15724}) {
        EXPECT_EQ(rand15(generator), expected);
    }
}

TEST(OpenUniform, FirstValueAndOneRand15StepPerCall) {
    Rand15Generator generator;
    EXPECT_EQ(openUniform(generator), 0.0012664794921875);
    Rand15Generator reference;
    rand15(reference);
    EXPECT_EQ(generator.state, reference.state);
    EXPECT_EQ(openUniform(generator), (18467 + 0.5) / 32768.0);
}

TEST(OpenUniform, NeverReachesZeroOrOne) {
    // 2^21 draws meet every one of the 32768 values many times.
    Rand15Generator generator;
    double smallest = 1.0;
    double largest = 0.0;
    for (int i = 0; i < (1 << 21); ++i) {
        const double u = openUniform(generator);
        smallest = std::min(smallest, u);
        largest = std::max(largest, u);
    }
    EXPECT_EQ(smallest, 0.5 / 32768.0);
    EXPECT_EQ(largest, 32767.5 / 32768.0);
}

}  // namespace
}  // namespace quillmere
