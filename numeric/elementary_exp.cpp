#include <cmath>
#include <limits>

#include "numeric/elementary_core.h"
#include "numeric/elementary_fast.h"
#include "numeric/elementary_functions.h"
#include "numeric/elementary_tables.h"

namespace quillmere {

namespace elementary {

namespace {

DoubleDouble divideByInteger(DoubleDouble a, int n) {
    return divide(a, {static_cast<double>(n), 0.0});
}

// Multiplies by 2^e in two exact steps, so that e may reach beyond the
// exponents one double holds.
double scaledBy(double v, int e) {
    const int half = e / 2;
    return v * powerOfTwo(half) * powerOfTwo(e - half);
}

}  // namespace

ScaledValue expAccurate(double xh, double xl) {
    const ExpReduction red = expReduce(xh);
    DoubleDouble r = twoSum(red.a, xl);
    r = add(r, multiply(DoubleDouble{ln2By128Mid, ln2By128Lo}, -red.kd));
    // |r| < 0.0028: Taylor to degree 12 leaves less than 2^-120.
    DoubleDouble p{1.0, 0.0};
    for (int n = 12; n >= 1; --n) {
        p = add({1.0, 0.0}, divideByInteger(multiply(r, p), n));
    }
    const ExpEntry& t = tableEntry(red.k);
    const DoubleDouble v = multiply(DoubleDouble{t.hi, t.lo}, p);
    return {v.hi, v.lo, binaryExponent(red.k)};
}

double roundScaled(DoubleDouble v, int exponent) {
    v = fastTwoSum(v.hi, v.lo);
    const int hiExponent =
        static_cast<int>((std::bit_cast<std::uint64_t>(v.hi) >> 52) & 0x7ff) - 1023;
    const int total = hiExponent + exponent;
    if (total > 1023) {
        return std::numeric_limits<double>::infinity();
    }
    if (total >= -1022) {
        return scaledBy(v.hi, exponent);
    }
    if (total < -1076) {
        return 0.0;
    }
    // A subnormal result is a whole multiple of 2^-1074: round v * 2^(exponent
    // + 1074), below 2^52, to an integer, ties to even.
    const double h = scaledBy(v.hi, exponent + 1074);
    const double l = scaledBy(v.lo, exponent + 1074);
    double n = (h + 0x1p52) - 0x1p52;
    const double f = (h - n) + l;
    const bool odd = (static_cast<std::int64_t>(n) & 1) != 0;
    if (f > 0.5 || (f == 0.5 && odd)) {
        n += 1.0;
    } else if (f < -0.5 || (f == -0.5 && odd)) {
        n -= 1.0;
    }
    return n * 0x1p-1074;
}

}  // namespace elementary

namespace {

using namespace elementary;

// Beyond these exp(x) is certain to overflow or to round to 0.
constexpr double expOverflowArgument = 709.8;
constexpr double expUnderflowArgument = -745.2;

double expAccurately(double x) {
    const ScaledValue v = expAccurate(x, 0.0);
    return roundScaled({v.hi, v.lo}, v.exponent);
}

double expOutsideFastRange(double x) {
    if (x != x) {
        return x + x;
    }
    if (x > expOverflowArgument) {
        return std::numeric_limits<double>::infinity();
    }
    if (x < expUnderflowArgument) {
        return 0.0;
    }
    return expAccurately(x);
}

// The fast result when its error cannot change the rounding, else the
// accurate one: out of line, so that the first stage's code stays short.
[[gnu::noinline]] double expBehindFirstStage(double x) {
    const ScaledValue v = expFast<false>(x, 0.0);
    if (const Rounded r = roundedWithin(v.hi, v.lo, expFastBound); r.ok) {
        return r.value * powerOfTwo(v.exponent);
    }
    return expAccurately(x);
}

// expm1 by its series, for 2^-54 <= |x| < 2^-4.
double expm1Small(double x) {
    // x^2 = sh^2 + sl * (x + sh) with sh^2 exact.
    const DoubleDouble s = splitHigh26(x);
    const double squareHi = s.hi * s.hi;
    const double squareLo = s.lo * (x + s.hi);
    const DoubleDouble lead = fastTwoSum(x, 0.5 * squareHi);
    const double rest =
        (x * x) * x *
        (1.0 / 6 +
         x * (1.0 / 24 +
              x * (1.0 / 120 +
                   x * (1.0 / 720 +
                        x * (1.0 / 5040 + x * (1.0 / 40320 + x * (1.0 / 362880 +
                                                                  x * (1.0 / 3628800 +
                                                                       x * (1.0 / 39916800)))))))));
    const double tail = lead.lo + (0.5 * squareLo + rest);
    // The series part is formed with a relative error below 2^-51 and is at
    // most x^2/6 < 2^-10.5 of the result.
    if (const Rounded r = roundedWithin(lead.hi, tail, std::fabs(lead.hi) * 0x1p-60); r.ok) {
        return r.value;
    }
    DoubleDouble p{1.0, 0.0};
    for (int n = 18; n >= 2; --n) {
        p = add({1.0, 0.0}, divideByInteger(multiply(p, x), n));
    }
    const DoubleDouble v = multiply(p, x);
    return v.hi + v.lo;
}

}  // namespace

double exp(double x) {
    if (!(std::fabs(x) < 708.0)) {
        return expOutsideFastRange(x);
    }
    const ScaledValue f = expFirst(x);
    if (const Rounded r = roundedWithin(f.hi, f.lo, expFirstBound); r.ok) {
        return r.value * powerOfTwo(f.exponent);
    }
    return expBehindFirstStage(x);
}

double expm1(double x) {
    const double magnitude = std::fabs(x);
    if (magnitude < 0x1p-4) {
        // Below 2^-54, x + x^2/2 rounds to x.
        return magnitude < 0x1p-54 ? x : expm1Small(x);
    }
    if (x != x) {
        return x + x;
    }
    if (x < -40.0) {
        // exp(x) < 2^-57: -1 + exp(x) rounds to -1.
        return -1.0;
    }
    if (x > 709.0) {
        // exp(x) > 2^1022: subtracting 1 cannot move it to another double.
        return exp(x);
    }
    const ScaledValue v = expFast<false>(x, 0.0);
    const double scale = powerOfTwo(v.exponent);
    const DoubleDouble s = twoSum(v.hi * scale, -1.0);
    if (const Rounded r = roundedWithin(s.hi, s.lo + v.lo * scale, expFastBound * scale); r.ok) {
        return r.value;
    }
    const ScaledValue a = expAccurate(x, 0.0);
    const double accurateScale = powerOfTwo(a.exponent);
    const DoubleDouble d =
        add(DoubleDouble{a.hi * accurateScale, a.lo * accurateScale}, DoubleDouble{-1.0, 0.0});
    return d.hi + d.lo;
}

}  // namespace quillmere
