#pragma once

// The parts the project's exp, log, pow, log1p and expm1 share: each has a
// fast path whose error is bounded and which is kept only when that bound
// cannot change the rounding, and an accurate double-double path taken when
// it could (about one call in several thousand). exp, log and log1p try a
// cheaper first stage before the fast path, kept on the same condition
// (elementary_fast.h). Internal to numeric/.
#include <bit>
#include <cstdint>

#include "numeric/double_double.h"

namespace quillmere::elementary {

// 2^e for e in [-1022, 1023].
inline double powerOfTwo(int e) {
    return std::bit_cast<double>(static_cast<std::uint64_t>(e + 1023) << 52);
}

// exp(xh + xl) ~ (hi + lo) * 2^exponent with hi in [0.99, 2).
struct ScaledValue {
    double hi = 0.0;
    double lo = 0.0;
    int exponent = 0;
};

// The fast exponential: |hi + lo - exp(xh + xl) * 2^-exponent| < expFastBound,
// for |xh| < 746 and |xl| < 2^-40.
inline constexpr double expFastBound = 0x1p-66;

// The accurate exponential, relative error below about 2^-100.
ScaledValue expAccurate(double xh, double xl);

// ln(x + xLow) + kOffset * ln 2 for a positive normal x and |xLow| at most
// half an ulp of x: hi + lo with an error below logFastRelativeBound * |hi|.
inline constexpr double logFastRelativeBound = 0x1p-67;

// The same, relative error below about 2^-100.
DoubleDouble logAccurate(double x, double xLow, int kOffset);

// (hi + lo) * 2^exponent rounded once to the nearest double (ties to even),
// subnormal, zero and overflowing results included; hi + lo positive.
double roundScaled(DoubleDouble v, int exponent);

// The value of a fast path when its error bound cannot change the rounding:
// hi + lo rounded, or 0 with ok false.
struct Rounded {
    double value = 0.0;
    bool ok = false;
};
inline Rounded roundedWithin(double hi, double lo, double bound) {
    const double lower = hi + (lo - bound);
    const double upper = hi + (lo + bound);
    return {lower, lower == upper};
}

}  // namespace quillmere::elementary
