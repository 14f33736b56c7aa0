#include "numeric/elementary_functions.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support/mpfr_reference.h"

namespace quillmere {
namespace {

using reference::Exact;
using reference::Function;

constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double minSubnormal = std::numeric_limits<double>::denorm_min();
constexpr double maxDouble = std::numeric_limits<double>::max();

double evaluate(Function f, double x, double y) {
    switch (f) {
        case Function::Exp:
            return quillmere::exp(x);
        case Function::Log:
            return quillmere::log(x);
        case Function::Pow:
            return quillmere::pow(x, y);
        case Function::Log1p:
            return quillmere::log1p(x);
        case Function::Expm1:
            return quillmere::expm1(x);
    }
    return nan;
}

const char* nameOf(Function f) {
    static const char* const names[] = {"exp", "log", "pow", "log1p", "expm1"};
    return names[static_cast<int>(f)];
}

bool sameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b) ||
           (std::isnan(a) && std::isnan(b));
}

std::string describe(Function f, double x, double y) {
    char text[128];
    std::snprintf(text, sizeof text, "%s(%a, %a)", nameOf(f), x, y);
    return text;
}

// Special values as C99 Annex F gives them, signed zeros and NaN included.
struct SpecialCase {
    Function function;
    double x;
    double y;
    double expected;
};

TEST(ElementaryFunctions, SpecialValuesAsIeeeArithmeticDefinesThem) {
    const std::vector<SpecialCase> cases = {
        {Function::Exp, 0.0, 0, 1.0},
        {Function::Exp, -0.0, 0, 1.0},
        {Function::Exp, inf, 0, inf},
        {Function::Exp, -inf, 0, 0.0},
        {Function::Exp, nan, 0, nan},
        {Function::Exp, 710.0, 0, inf},
        {Function::Exp, 709.782712893384, 0, 0x1.fffffffffff2ap+1023},
        {Function::Exp, 709.7827128933841, 0, inf},
        {Function::Exp, -745.1332191019411, 0, minSubnormal},
        {Function::Exp, -745.1332191019412, 0, 0.0},
        {Function::Exp, -1000.0, 0, 0.0},
        {Function::Exp, 1e-300, 0, 1.0},
        {Function::Log, 1.0, 0, 0.0},
        {Function::Log, 0.0, 0, -inf},
        {Function::Log, -0.0, 0, -inf},
        {Function::Log, -1.0, 0, nan},
        {Function::Log, -minSubnormal, 0, nan},
        {Function::Log, -inf, 0, nan},
        {Function::Log, inf, 0, inf},
        {Function::Log, nan, 0, nan},
        {Function::Log1p, 0.0, 0, 0.0},
        {Function::Log1p, -0.0, 0, -0.0},
        {Function::Log1p, -1.0, 0, -inf},
        {Function::Log1p, -1.5, 0, nan},
        {Function::Log1p, -inf, 0, nan},
        {Function::Log1p, inf, 0, inf},
        {Function::Log1p, nan, 0, nan},
        {Function::Log1p, minSubnormal, 0, minSubnormal},
        {Function::Log1p, -minSubnormal, 0, -minSubnormal},
        {Function::Expm1, 0.0, 0, 0.0},
        {Function::Expm1, -0.0, 0, -0.0},
        {Function::Expm1, inf, 0, inf},
        {Function::Expm1, -inf, 0, -1.0},
        {Function::Expm1, nan, 0, nan},
        {Function::Expm1, -40.0, 0, -1.0},
        {Function::Expm1, 710.0, 0, inf},
        {Function::Expm1, -minSubnormal, 0, -minSubnormal},
        {Function::Pow, nan, 0.0, 1.0},
        {Function::Pow, nan, -0.0, 1.0},
        {Function::Pow, 1.0, nan, 1.0},
        {Function::Pow, 1.0, inf, 1.0},
        {Function::Pow, nan, 1.0, nan},
        {Function::Pow, 2.0, nan, nan},
        {Function::Pow, -1.0, inf, 1.0},
        {Function::Pow, -1.0, -inf, 1.0},
        {Function::Pow, 0.5, inf, 0.0},
        {Function::Pow, 0.5, -inf, inf},
        {Function::Pow, -2.0, inf, inf},
        {Function::Pow, -2.0, -inf, 0.0},
        {Function::Pow, 0.0, -3.0, inf},
        {Function::Pow, -0.0, -3.0, -inf},
        {Function::Pow, -0.0, -2.0, inf},
        {Function::Pow, -0.0, -0.5, inf},
        {Function::Pow, 0.0, 3.0, 0.0},
        {Function::Pow, -0.0, 3.0, -0.0},
        {Function::Pow, -0.0, 2.0, 0.0},
        {Function::Pow, -0.0, 0.5, 0.0},
        {Function::Pow, -inf, -3.0, -0.0},
        {Function::Pow, -inf, -2.0, 0.0},
        {Function::Pow, -inf, 3.0, -inf},
        {Function::Pow, -inf, 2.5, inf},
        {Function::Pow, inf, -0.5, 0.0},
        {Function::Pow, inf, 0.5, inf},
        {Function::Pow, -8.0, 1.0 / 3, nan},
        {Function::Pow, -2.0, 3.0, -8.0},
        {Function::Pow, -2.0, -3.0, -0.125},
        {Function::Pow, -2.0, 0x1p60, inf},
        {Function::Pow, -0.5, 0x1p60, 0.0},
        {Function::Pow, 3.0, 34.0, 16677181699666568.0},  // halfway: ties to even
        {Function::Pow, 134217727.0, 2.0, 18014398241046528.0},
        {Function::Pow, 4.0, 0.5, 2.0},
        {Function::Pow, 2.0, -1074.0, minSubnormal},
        {Function::Pow, 2.0, -1075.0, 0.0},
        {Function::Pow, 2.0, 1024.0, inf},
        {Function::Pow, 10.0, 308.0, 1e308},
        {Function::Pow, maxDouble, -1.0, 0x0.4p-1022},
    };
    for (const SpecialCase& c : cases) {
        const double got = evaluate(c.function, c.x, c.y);
        EXPECT_TRUE(sameBits(got, c.expected))
            << describe(c.function, c.x, c.y) << " gave " << got << ", expected " << c.expected;
    }
}

// A fixed-seed stream of 64-bit words (SplitMix64).
struct Words {
    std::uint64_t state = 20;
    std::uint64_t next() {
        std::uint64_t z = (state += 0x9E3779B97F4A7C15u);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }
    double unit() { return (static_cast<double>(next() >> 11) + 0.5) * 0x1.0p-53; }
    double uniform(double a, double b) { return a + (b - a) * unit(); }
    double logUniform(double lo, double hi) { return std::exp2(uniform(lo, hi)); }
};

struct SampledRange {
    Function function;
    const char* description;
    double (*draw)(Words&);
};

// Every result equals MPFR's value rounded to nearest, over the arguments the
// library gives each function (the full run of 10^7 each is in
// bench/accuracy).
TEST(ElementaryFunctions, CorrectlyRoundedOnSamplesOfTheRangesTheLibraryUses) {
    const std::vector<SampledRange> ranges = {
        {Function::Exp, "[-50, 50]", [](Words& w) { return w.uniform(-50, 50); }},
        {Function::Exp, "[-746, 710]", [](Words& w) { return w.uniform(-746, 710); }},
        {Function::Exp, "+-2^[-60, 0)",
         [](Words& w) { return (w.next() & 1 ? 1 : -1) * w.logUniform(-60, 0); }},
        {Function::Log, "2^[-1074, 1024)", [](Words& w) { return w.logUniform(-1074, 1024); }},
        {Function::Log, "(0, 1)", [](Words& w) { return w.unit(); }},
        {Function::Log, "1 +- 2^[-60, -5)",
         [](Words& w) { return 1 + (w.next() & 1 ? 1 : -1) * w.logUniform(-60, -5); }},
        {Function::Log1p, "(-1, 0)", [](Words& w) { return -w.unit(); }},
        {Function::Log1p, "-2^[-60, 0)", [](Words& w) { return -w.logUniform(-60, 0); }},
        {Function::Log1p, "2^[-60, 1000)", [](Words& w) { return w.logUniform(-60, 1000); }},
        {Function::Expm1, "-2^[-20, 17)", [](Words& w) { return -w.logUniform(-20, 17); }},
        {Function::Expm1, "+-2^[-60, 10)",
         [](Words& w) { return (w.next() & 1 ? 1 : -1) * w.logUniform(-60, 9.47); }},
    };
    Exact exact;
    for (const SampledRange& range : ranges) {
        Words words;
        int wrong = 0;
        for (int i = 0; i < 4000; ++i) {
            const double x = range.draw(words);
            exact.compute(range.function, x);
            const double got = evaluate(range.function, x, 0);
            if (!sameBits(got, exact.rounded()) && ++wrong <= 3) {
                ADD_FAILURE() << describe(range.function, x, 0) << " over " << range.description
                              << " gave " << got << ", correctly rounded " << exact.rounded();
            }
        }
        EXPECT_EQ(wrong, 0) << nameOf(range.function) << " over " << range.description;
    }
}

TEST(ElementaryFunctions, PowCorrectlyRoundedOnWeibullArgumentsAndBeyond) {
    Words words;
    Exact exact;
    int wrong = 0;
    for (int i = 0; i < 20000; ++i) {
        // Weibull variates: (-log1p(-u))^(1/shape), shape in [0.1, 10]; then
        // any positive or negative base with a wide exponent.
        double x = -quillmere::log1p(-words.unit());
        double y = 1.0 / words.logUniform(std::log2(0.1), std::log2(10.0));
        if (i % 2 == 1) {
            x = (words.next() & 1 ? 1 : -1) * words.logUniform(-100, 100);
            y = i % 4 == 1 ? words.uniform(-8, 8) : std::floor(words.uniform(-40, 40));
        }
        exact.compute(Function::Pow, x, y);
        const double got = quillmere::pow(x, y);
        if (!sameBits(got, exact.rounded()) && ++wrong <= 3) {
            ADD_FAILURE() << describe(Function::Pow, x, y) << " gave " << got
                          << ", correctly rounded " << exact.rounded();
        }
    }
    EXPECT_EQ(wrong, 0);
}

// Where one way of computing hands over to another (a threshold, the
// boundary of a table interval, the edge of the normal range), forty
// consecutive doubles on each side are correctly rounded, hence monotone.
TEST(ElementaryFunctions, CorrectlyRoundedAcrossEveryThreshold) {
    struct Threshold {
        Function function;
        double x;
    };
    const std::vector<Threshold> thresholds = {
        {Function::Exp, 708.0},
        {Function::Exp, -708.0},
        {Function::Exp, 709.782712893384},
        {Function::Exp, -708.3964185322641},
        {Function::Exp, -745.1332191019411},
        {Function::Exp, -744.4400719213812},
        {Function::Exp, 0x1p-54},
        {Function::Exp, -0x1p-54},
        {Function::Log, 1 - 0x1p-8},
        {Function::Log, 1 + 0x1p-8},
        {Function::Log, 1.0},
        {Function::Log, 0.6875},
        {Function::Log, 1.375},
        {Function::Log, 0x1p-1022},
        {Function::Log, maxDouble},
        {Function::Log, 0x1p-1060},
        {Function::Log1p, -0x1p-8},
        {Function::Log1p, 0x1p-8},
        {Function::Log1p, 0x1p-54},
        {Function::Log1p, -0x1p-54},
        {Function::Log1p, -1 + 0x1p-30},
        {Function::Log1p, 0x1p53},
        {Function::Expm1, 0x1p-4},
        {Function::Expm1, -0x1p-4},
        {Function::Expm1, 0x1p-54},
        {Function::Expm1, -0x1p-54},
        {Function::Expm1, -40.0},
        {Function::Expm1, 709.0},
        {Function::Expm1, 709.782712893384},
    };
    Exact exact;
    for (const Threshold& t : thresholds) {
        double x = t.x;
        for (int i = 0; i < 40; ++i) {
            x = std::nextafter(x, -inf);
        }
        double previous = -inf;
        for (int i = 0; i < 81; ++i, x = std::nextafter(x, inf)) {
            exact.compute(t.function, x);
            const double got = evaluate(t.function, x, 0);
            EXPECT_TRUE(sameBits(got, exact.rounded()))
                << describe(t.function, x, 0) << " gave " << got << ", correctly rounded "
                << exact.rounded();
            if (!std::isnan(got)) {
                EXPECT_GE(got, previous) << describe(t.function, x, 0);
                previous = got;
            }
        }
    }
}

// Results that no approximation decides: exactly representable or exactly
// halfway between two doubles.
TEST(ElementaryFunctions, PowExactAndHalfwayResults) {
    Exact exact;
    for (double base : {3.0, 5.0, 7.0, 9.0, 11.0, 0.75, 1.5, 2.5, 1 + 0x1p-26, 3 * 0x1p-600}) {
        for (int n = -6; n <= 40; ++n) {
            exact.compute(Function::Pow, base, n);
            EXPECT_TRUE(sameBits(quillmere::pow(base, n), exact.rounded()))
                << describe(Function::Pow, base, n);
            EXPECT_TRUE(
                sameBits(quillmere::pow(-base, n), n % 2 != 0 ? -exact.rounded() : exact.rounded()))
                << describe(Function::Pow, -base, n);
        }
    }
    for (double square : {4.0, 2.25, 0x1p-1000, 6.25, 1e10}) {
        exact.compute(Function::Pow, square, 0.5);
        EXPECT_TRUE(sameBits(quillmere::pow(square, 0.5), exact.rounded())) << square;
        exact.compute(Function::Pow, square, 1.5);
        EXPECT_TRUE(sameBits(quillmere::pow(square, 1.5), exact.rounded())) << square;
    }
}

}  // namespace
}  // namespace quillmere
