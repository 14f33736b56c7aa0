#pragma once

// The fast paths of exp and log, inline so that exp, log, pow, log1p and
// expm1 each take them without a call; their error bounds are in
// elementary_core.h. Internal to numeric/.
#include <bit>
#include <cstdint>

#include "numeric/elementary_core.h"
#include "numeric/elementary_tables.h"

namespace quillmere::elementary {

inline constexpr double shifter = 0x1.8p52;

// x = k * ln2/128 + r with k the nearest integer to x * 128/ln2.
struct ExpReduction {
    std::int64_t k = 0;
    double kd = 0.0;
    double a = 0.0;  // x - k * ln2By128Hi, exact
};

inline ExpReduction expReduce(double x) {
    const double shifted = x * invLn2Times128 + shifter;
    ExpReduction red;
    red.k = static_cast<std::int64_t>(std::bit_cast<std::uint64_t>(shifted) -
                                      std::bit_cast<std::uint64_t>(shifter));
    red.kd = shifted - shifter;
    red.a = x - red.kd * ln2By128Hi;
    return red;
}

inline int binaryExponent(std::int64_t k) {
    return static_cast<int>(k >> expTableBits);
}

inline const ExpEntry& tableEntry(std::int64_t k) {
    return expTable[static_cast<std::size_t>(k & ((1 << expTableBits) - 1))];
}

// exp(rl) - 1 times exp(rh): rl (1 + rh + q), whose products count only
// when rl carries pow's low part (up to 2^-43); alone rl is below 2^-62.
template <bool hasLow>
inline double lowTerm(double rl, double rh, double q) {
    if constexpr (hasLow) {
        return rl + rl * (rh + q);
    }
    return rl;
}

// hasLow: whether xl may be non-zero (pow); exp and expm1 pass none.
template <bool hasLow>
inline ScaledValue expFast(double xh, double xl) {
    const ExpReduction red = expReduce(xh);
    // r = rh + rl: the product k * mid is rounded (error below 2^-78), the
    // subtraction's own error is taken back. xl (pow's low part of y ln x)
    // may reach 2^-43, so exp(rl) - 1 = rl (1 + rh + q) keeps its products.
    const double b = red.kd * ln2By128Mid;
    const double rh = red.a - b;
    double rl = (red.a - rh) - b;
    if constexpr (hasLow) {
        rl += xl;
    }
    const ExpEntry& t = tableEntry(red.k);
    // exp(r) - 1 = r + q, Taylor to degree 6 (truncation below 2^-71).
    const double q =
        (rh * rh) * (0.5 + rh * (1.0 / 6 + rh * (1.0 / 24 + rh * (1.0 / 120 + rh * (1.0 / 720)))));
    const DoubleDouble p = twoProduct(t.hi, rh);
    const DoubleDouble s = fastTwoSum(t.hi, p.hi);
    const double tail =
        s.lo + (p.lo + (t.lo + (t.hi * (q + lowTerm<hasLow>(rl, rh, q)) + t.lo * (rh + q))));
    return {s.hi, tail, binaryExponent(red.k)};
}

// The first, cheaper stage of exp: exp(x) 2^-exponent ~ hi + lo with hi the
// table's 2^(j/128) and lo formed in plain double arithmetic. With |r| <=
// ln2/256 < 2^-8.5 and hi < 2: rh + q is rounded within 2^-62, which hi
// turns into 2^-61; the reduction's low part rl, left out, is at most half an
// ulp of |rh| < 2^-8 (2^-62), so below 2^-61 after the product; the product
// and the sum with t.lo each round within 2^-61 (both below 2^-7); t.lo (r +
// q), left out, is below 2^-61.5; the series' truncation and rounding and the
// rest of the reduction's error add less than 2^-66. That is below 4.8 *
// 2^-61; the bound allows 2^-61 more for the rounding of lo -+ bound in
// roundedWithin (lo < 2^-7), so that its test stays sound.
inline constexpr double expFirstBound = 0x1.8p-59;  // 6 * 2^-61

inline ScaledValue expFirst(double x) {
    const ExpReduction red = expReduce(x);
    const double rh = red.a - red.kd * ln2By128Mid;
    const ExpEntry& t = tableEntry(red.k);
    const double q =
        (rh * rh) * (0.5 + rh * (1.0 / 6 + rh * (1.0 / 24 + rh * (1.0 / 120 + rh * (1.0 / 720)))));
    return {t.hi, t.lo + t.hi * (rh + q), binaryExponent(red.k)};
}

// Arguments within 2^-8 of 1 are reduced to r = x - 1 (exact), so that a
// logarithm near 0 keeps its relative accuracy.
inline constexpr std::uint64_t nearOneLow = 0x3fefe00000000000u;   // 1 - 2^-8
inline constexpr std::uint64_t nearOneHigh = 0x3ff0100000000000u;  // 1 + 2^-8

inline bool nearOne(std::uint64_t bits) {
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

// x within 2^-8 of 1: r = x - 1 (exact) plus log1p's low part.
template <bool hasLow>
inline LogReduction logReduceNearOne(double x, double xLow) {
    LogReduction red;
    if constexpr (hasLow) {
        const DoubleDouble r = twoSum(x - 1.0, xLow);
        red.rh = r.hi;
        red.rl = r.lo;
    } else {
        red.rh = x - 1.0;
    }
    return red;
}

// Elsewhere: x = 2^k z, r = z c - 1 with c from the table.
template <bool hasLow>
inline LogReduction logReduceByTable(double x, double xLow, int kOffset) {
    const std::uint64_t ix = std::bit_cast<std::uint64_t>(x);
    const std::uint64_t tmp = ix - logOffset;
    const std::size_t i = static_cast<std::size_t>((tmp >> 45) & 127);
    const int k = static_cast<int>(static_cast<std::int64_t>(tmp) >> 52);
    const double z = std::bit_cast<double>(ix - (tmp & (0xfffull << 52)));
    const LogEntry& e = logTable[i];
    // z = zh + zl with zh 26 bits and zl 27: zh c and zl c are exact, and
    // zh c - 1 is exact because zh c lies near 1.
    const DoubleDouble zs = splitHigh26(z);
    const DoubleDouble r = twoSum(zs.hi * e.c - 1.0, zs.lo * e.c);
    LogReduction red;
    red.rh = r.hi;
    red.rl = r.lo;
    if constexpr (hasLow) {
        if (k <= 1022) {
            red.rl += xLow * powerOfTwo(-k) * e.c;
        }
    }
    red.kd = static_cast<double>(k + kOffset);
    red.baseHi = red.kd * ln2Hi + e.logHi;
    red.baseLo = red.kd * ln2Mid + e.logMid;
    red.tableMid = e.logMid;
    red.tableLo = e.logLo;
    return red;
}

// hasLow: whether xLow may be non-zero (log1p); log and pow pass none.
template <bool hasLow>
inline LogReduction logReduce(double x, double xLow, int kOffset) {
    if (kOffset == 0 && nearOne(std::bit_cast<std::uint64_t>(x))) {
        return logReduceNearOne<hasLow>(x, xLow);
    }
    return logReduceByTable<hasLow>(x, xLow, kOffset);
}

template <bool hasLow>
inline DoubleDouble logFast(double x, double xLow, int kOffset) {
    const LogReduction red = logReduce<hasLow>(x, xLow, kOffset);
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

// The first, cheaper stage of the logarithm: the same reduction, rh^2 rounded
// and ln(1 + rh) - rh by its series to degree 8 (truncation below 2^-74 |rh|
// for |rh| < 2^-7.9), plus rl (1 - rh) where there is an rl (rl rh^2 left
// out: rl is at most 2^-52.5, log1p's low part, so below 2^-68.3, and below
// 2^-98 |rh| within 2^-8 of 1).
template <bool withLow>
inline double logFirstSeries(const LogReduction& red) {
    const double rh = red.rh;
    const double rest =
        (rh * rh) * rh *
        (1.0 / 3 - rh * (0.25 - rh * (0.2 - rh * (1.0 / 6 - rh * (1.0 / 7 - rh * 0.125)))));
    const double square = -0.5 * (rh * rh);
    if constexpr (withLow) {
        return (red.rl * (1.0 - rh) + square) + rest;
    }
    return square + rest;
}

// Its value rounded when the error bound cannot change the rounding.
// Within 2^-8 of 1 the result is ln(1 + rh + rl) with |rl| <= 2^-53 |rh|, at
// least 0.99 |rh| = 0.99 |hi|: rh^2, the sums into lo and the rounding of lo
// -+ bound in roundedWithin each round within 2^-62 |hi|, the rest is far
// smaller, in all below 2^-59 |hi|. Elsewhere the sum base + rh is exact and
// the result at least 2^-8.01; the errors are absolute: rh^2 (2^-70), rl rh^2
// left out (2^-68.3), the three roundings of the series (2^-70 each), the
// truncation (2^-74), the two sums into lo and that of lo -+ bound (each
// 2^-69.4 + 2^-106 |hi|, |hi| < 745), the base's low part (2^-85), in all
// below 2^-66.
template <bool hasLow>
inline Rounded logFirst(double x, double xLow, int kOffset) {
    if (kOffset == 0 && nearOne(std::bit_cast<std::uint64_t>(x))) {
        const LogReduction red = logReduceNearOne<hasLow>(x, xLow);
        const double bound = (red.rh < 0 ? -red.rh : red.rh) * 0x1p-59;
        return roundedWithin(red.rh, logFirstSeries<hasLow>(red), bound);
    }
    const LogReduction red = logReduceByTable<hasLow>(x, xLow, kOffset);
    // base + rh is exact with the cheaper two-sum, whose condition is that
    // rh's binary exponent is not above base's: |base| > 0.3 > |rh| where
    // k + kOffset is not 0, and for k = 0 (kOffset is then 0) every table
    // interval outside 2^-8 of 1 keeps |rh| below the power of two just above
    // |-ln c| (checked with exact arithmetic over each interval; -ln c is
    // never 0 there).
    const DoubleDouble s = fastTwoSum(red.baseHi, red.rh);
    if constexpr (hasLow) {
        return roundedWithin(s.hi, s.lo + (red.baseLo + logFirstSeries<true>(red)), 0x1p-66);
    }
    // log's own arguments (no low part) give up rl, at most half an ulp of
    // |rh| < 2^-7 (2^-61), and the series' last term (r^8/8 < 2^-67): with
    // the errors above, below 1.04 * 2^-61.
    const double rh = red.rh;
    const double series =
        -0.5 * (rh * rh) +
        (rh * rh) * rh * (1.0 / 3 - rh * (0.25 - rh * (0.2 - rh * (1.0 / 6 - rh * (1.0 / 7)))));
    return roundedWithin(s.hi, s.lo + (red.baseLo + series), 0x1.1p-61);
}

}  // namespace quillmere::elementary
