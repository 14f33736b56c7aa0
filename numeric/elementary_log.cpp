#include <cmath>
#include <limits>

#include "numeric/elementary_core.h"
#include "numeric/elementary_fast.h"
#include "numeric/elementary_functions.h"
#include "numeric/elementary_tables.h"

namespace quillmere {

namespace elementary {

namespace {}  // namespace

DoubleDouble logAccurate(double x, double xLow, int kOffset) {
    const LogReduction red = logReduce<true>(x, xLow, kOffset);
    const DoubleDouble r = twoSum(red.rh, red.rl);
    // ln(1 + r) = r (1 - r (1/2 - r (1/3 - ...))), to degree 15 (|r| <= 2^-8).
    DoubleDouble p{0.0, 0.0};
    for (int n = 15; n >= 1; --n) {
        const DoubleDouble inverse = divide({1.0, 0.0}, {static_cast<double>(n), 0.0});
        p = add(inverse, multiply(r, DoubleDouble{-p.hi, -p.lo}));
    }
    const DoubleDouble series = multiply(r, p);
    const DoubleDouble kMid = twoProduct(red.kd, ln2Mid);
    DoubleDouble base = add(kMid, DoubleDouble{red.kd * ln2Lo, 0.0});
    base = add(base, fastTwoSum(red.tableMid, red.tableLo));
    base = add(DoubleDouble{red.baseHi, 0.0}, base);
    return add(base, series);
}

}  // namespace elementary

namespace {

using namespace elementary;

// The fast result when its error cannot change the rounding, else the
// accurate one: out of line, so that the first stage's code stays short.
template <bool hasLow>
[[gnu::noinline]] double roundedBehindFirstStage(double x, double xLow, int kOffset) {
    const DoubleDouble v = logFast<hasLow>(x, xLow, kOffset);
    if (const Rounded r = roundedWithin(v.hi, v.lo, std::fabs(v.hi) * logFastRelativeBound); r.ok) {
        return r.value;
    }
    const DoubleDouble a = logAccurate(x, xLow, kOffset);
    return a.hi + a.lo;
}

// The logarithm's first stage when its error cannot change the rounding,
// else the paths behind it.
template <bool hasLow>
double rounded(double x, double xLow, int kOffset) {
    if (const Rounded r = logFirst<hasLow>(x, xLow, kOffset); r.ok) {
        return r.value;
    }
    return roundedBehindFirstStage<hasLow>(x, xLow, kOffset);
}

}  // namespace

double log(double x) {
    const std::uint64_t ix = std::bit_cast<std::uint64_t>(x);
    constexpr std::uint64_t smallestNormal = 0x0010000000000000u;
    constexpr std::uint64_t infinityBits = 0x7ff0000000000000u;
    if (ix - smallestNormal < infinityBits - smallestNormal) {
        return rounded<false>(x, 0.0, 0);
    }
    if (x == 0.0) {
        return -std::numeric_limits<double>::infinity();
    }
    if ((ix >> 63) != 0 && x == x) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (ix >= infinityBits) {
        return x + x;  // +inf, or NaN passed on
    }
    // Subnormal: scaled into the normal range.
    return rounded<false>(x * 0x1p52, 0.0, -52);
}

double log1p(double x) {
    if (std::fabs(x) < 0x1p-54) {
        // x - x^2/2 rounds to x (zeros and subnormals included).
        return x;
    }
    if (!(x > -1.0)) {
        if (x == -1.0) {
            return -std::numeric_limits<double>::infinity();
        }
        return x == x ? std::numeric_limits<double>::quiet_NaN() : x + x;
    }
    if (x == std::numeric_limits<double>::infinity()) {
        return x;
    }
    // 1 + x = hi + lo exactly; near 1 the reduction takes r = (hi - 1) + lo,
    // which is x itself.
    const DoubleDouble s = twoSum(1.0, x);
    return rounded<true>(s.hi, s.lo, 0);
}

}  // namespace quillmere
