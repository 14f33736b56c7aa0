#include <cmath>
#include <limits>

#include "numeric/elementary_core.h"
#include "numeric/elementary_functions.h"
#include "numeric/elementary_tables.h"

namespace quillmere {

namespace elementary {

namespace {

// Arguments within 2^-8 of 1 are reduced to r = x - 1 (exact), so that a
// logarithm near 0 keeps its relative accuracy.
constexpr std::uint64_t nearOneLow = 0x3fefe00000000000u;   // 1 - 2^-8
constexpr std::uint64_t nearOneHigh = 0x3ff0100000000000u;  // 1 + 2^-8

bool nearOne(std::uint64_t bits) {
    return bits - nearOneLow <= nearOneHigh - nearOneLow;
}

// ln x = k ln2 + (-ln c) + ln(1 + r), with r = z c - 1 formed exactly as rh +
// rl; base carries k ln2 + (-ln c) as baseHi (exact) + baseLo.
struct LogReduction {
    double rh = 0.0;
    double rl = 0.0;
    double baseHi = 0.0;
    double baseLo = 0.0;
    double kd = 0.0;
    double tableMid = 0.0;  // -ln c = e.logHi + tableMid + tableLo
    double tableLo = 0.0;
};

LogReduction reduce(double x, double xLow, int kOffset) {
    const std::uint64_t ix = std::bit_cast<std::uint64_t>(x);
    LogReduction red;
    if (kOffset == 0 && nearOne(ix)) {
        const DoubleDouble r = twoSum(x - 1.0, xLow);
        red.rh = r.hi;
        red.rl = r.lo;
        return red;
    }
    const std::uint64_t tmp = ix - logOffset;
    const std::size_t i = static_cast<std::size_t>((tmp >> 45) & 127);
    const int k = static_cast<int>(static_cast<std::int64_t>(tmp) >> 52);
    const double z = std::bit_cast<double>(ix - (tmp & (0xfffull << 52)));
    const LogEntry& e = logTable[i];
    // z = zh + zl with zh 26 bits and zl 27: zh c and zl c are exact, and
    // zh c - 1 is exact because zh c lies near 1.
    const DoubleDouble zs = splitHigh26(z);
    const DoubleDouble r = twoSum(zs.hi * e.c - 1.0, zs.lo * e.c);
    red.rh = r.hi;
    red.rl = r.lo;
    if (xLow != 0.0 && k <= 1022) {
        red.rl += xLow * powerOfTwo(-k) * e.c;
    }
    red.kd = static_cast<double>(k + kOffset);
    red.baseHi = red.kd * ln2Hi + e.logHi;
    red.baseLo = red.kd * ln2Mid + e.logMid;
    red.tableMid = e.logMid;
    red.tableLo = e.logLo;
    return red;
}

}  // namespace

DoubleDouble logFast(double x, double xLow, int kOffset) {
    const LogReduction red = reduce(x, xLow, kOffset);
    const double rh = red.rh;
    // ln(1 + r) = rh - rh^2/2 + rh^3 P(rh) + rl / (1 + rh); rh^2 = sh^2 +
    // sl (rh + sh) with sh^2 exact. |rh| <= 2^-8: the series to degree 9
    // leaves less than 2^-75 of the result.
    const DoubleDouble s = splitHigh26(rh);
    const double squareHi = s.hi * s.hi;
    const double squareLo = s.lo * (rh + s.hi);
    const double rest =
        (rh * rh) * rh *
        (1.0 / 3 -
         rh *
             (0.25 - rh * (0.2 - rh * (1.0 / 6 - rh * (1.0 / 7 - rh * (0.125 - rh * (1.0 / 9)))))));
    // rl / (1 + rh): rl holds the low part of log1p's 1 + x, which may be
    // 2^-46 of r, so the second-order term counts.
    const double lowPart = red.rl * (1.0 - rh * (1.0 - rh));
    const DoubleDouble s2 = twoSum(red.baseHi, rh);
    const DoubleDouble s3 = fastTwoSum(s2.hi, -0.5 * squareHi);
    const double lo = s2.lo + (s3.lo + (red.baseLo + ((lowPart - 0.5 * squareLo) + rest)));
    return {s3.hi, lo};
}

DoubleDouble logAccurate(double x, double xLow, int kOffset) {
    const LogReduction red = reduce(x, xLow, kOffset);
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

// The logarithm's fast result when its error cannot change the rounding, else
// the accurate one.
double rounded(double x, double xLow, int kOffset) {
    const DoubleDouble v = logFast(x, xLow, kOffset);
    if (const Rounded r = roundedWithin(v.hi, v.lo, std::fabs(v.hi) * logFastRelativeBound); r.ok) {
        return r.value;
    }
    const DoubleDouble a = logAccurate(x, xLow, kOffset);
    return a.hi + a.lo;
}

}  // namespace

double log(double x) {
    const std::uint64_t ix = std::bit_cast<std::uint64_t>(x);
    constexpr std::uint64_t smallestNormal = 0x0010000000000000u;
    constexpr std::uint64_t infinityBits = 0x7ff0000000000000u;
    if (ix - smallestNormal < infinityBits - smallestNormal) {
        return rounded(x, 0.0, 0);
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
    return rounded(x * 0x1p52, 0.0, -52);
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
    return rounded(s.hi, s.lo, 0);
}

}  // namespace quillmere
