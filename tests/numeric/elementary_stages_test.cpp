// The first, cheaper stage of exp, log and log1p keeps a result only when its
// error bound cannot change the rounding. Each result it keeps must be the
// bit the fast and accurate paths behind it give (correctly rounded, checked
// against MPFR in elementary_functions_test.cpp), and it must keep most.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "numeric/elementary_fast.h"

namespace quillmere::elementary {
namespace {

// The paths the first stage hands its uncertain cases to.
double expBehindFirstStage(double x) {
    const ScaledValue v = expFast<false>(x, 0.0);
    if (const Rounded r = roundedWithin(v.hi, v.lo, expFastBound); r.ok) {
        return r.value * powerOfTwo(v.exponent);
    }
    const ScaledValue a = expAccurate(x, 0.0);
    return roundScaled({a.hi, a.lo}, a.exponent);
}

template <bool hasLow>
double logBehindFirstStage(double x, double xLow, int kOffset) {
    const DoubleDouble v = logFast<hasLow>(x, xLow, kOffset);
    if (const Rounded r = roundedWithin(v.hi, v.lo, std::fabs(v.hi) * logFastRelativeBound); r.ok) {
        return r.value;
    }
    const DoubleDouble a = logAccurate(x, xLow, kOffset);
    return a.hi + a.lo;
}

struct Outcome {
    Rounded first;
    double behind = 0.0;
};

Outcome expStages(double x) {
    const ScaledValue f = expFirst(x);
    Rounded r = roundedWithin(f.hi, f.lo, expFirstBound);
    r.value *= powerOfTwo(f.exponent);
    return {r, expBehindFirstStage(x)};
}

Outcome logStages(double x) {
    // Subnormals are scaled into the normal range, as log does.
    const int kOffset = x < 0x1p-1022 ? -52 : 0;
    const double scaled = kOffset == 0 ? x : x * 0x1p52;
    return {logFirst<false>(scaled, 0.0, kOffset),
            logBehindFirstStage<false>(scaled, 0.0, kOffset)};
}

Outcome log1pStages(double x) {
    const DoubleDouble s = twoSum(1.0, x);
    return {logFirst<true>(s.hi, s.lo, 0), logBehindFirstStage<true>(s.hi, s.lo, 0)};
}

struct Words {
    std::uint64_t state = 7;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    double unit() { return (static_cast<double>(next() >> 11) + 0.5) * 0x1.0p-53; }
    double uniform(double a, double b) { return a + (b - a) * unit(); }
    double sign() { return (next() & 1) != 0 ? 1.0 : -1.0; }
    double logUniform(double lo, double hi) { return std::exp2(uniform(lo, hi)); }
};

struct StageRange {
    const char* description;
    Outcome (*stages)(double);
    double (*draw)(Words&);
    double leastShareKept;
};

TEST(ElementaryFirstStage, KeepsOnlyTheBitsOfThePathsBehindIt) {
    const std::vector<StageRange> ranges = {
        {"exp over [-50, 50]", expStages, [](Words& w) { return w.uniform(-50, 50); }, 0.95},
        {"exp over (-708, 708)", expStages, [](Words& w) { return w.uniform(-708, 708); }, 0.95},
        {"exp over +-2^[-60, 0)", expStages,
         [](Words& w) { return w.sign() * w.logUniform(-60, 0); }, 0.95},
        {"log over 2^[-1074, 1024)", logStages, [](Words& w) { return w.logUniform(-1074, 1024); },
         0.95},
        {"log over (0, 1)", logStages, [](Words& w) { return w.unit(); }, 0.95},
        {"log over 1 +- 2^[-60, -5)", logStages,
         [](Words& w) { return 1 + w.sign() * w.logUniform(-60, -5); }, 0.9},
        {"log1p over (-1, 0)", log1pStages, [](Words& w) { return -w.unit(); }, 0.95},
        {"log1p over -2^[-60, 0)", log1pStages, [](Words& w) { return -w.logUniform(-60, 0); },
         0.9},
        {"log1p over 2^[-60, 1000)", log1pStages, [](Words& w) { return w.logUniform(-60, 1000); },
         0.9},
    };
    constexpr int samples = 400000;
    for (const StageRange& range : ranges) {
        Words words;
        int kept = 0;
        int wrong = 0;
        for (int i = 0; i < samples; ++i) {
            const double x = range.draw(words);
            const Outcome o = range.stages(x);
            if (!o.first.ok) {
                continue;
            }
            ++kept;
            if (std::bit_cast<std::uint64_t>(o.first.value) !=
                    std::bit_cast<std::uint64_t>(o.behind) &&
                ++wrong <= 3) {
                ADD_FAILURE() << range.description << ": at " << std::hexfloat << x
                              << " the first stage kept " << o.first.value
                              << ", the paths behind it " << o.behind;
            }
        }
        EXPECT_EQ(wrong, 0) << range.description;
        // A bound grown far beyond its proof would send most calls on.
        EXPECT_GE(kept, range.leastShareKept * samples) << range.description;
    }
}

}  // namespace
}  // namespace quillmere::elementary
