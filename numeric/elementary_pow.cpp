#include <cmath>
#include <limits>

#include "numeric/elementary_core.h"
#include "numeric/elementary_fast.h"
#include "numeric/elementary_functions.h"

namespace quillmere {

namespace {

using namespace elementary;

constexpr double infinity = std::numeric_limits<double>::infinity();

// y is an integer; y odd says which.
struct IntegerKind {
    bool integer = false;
    bool odd = false;
};

IntegerKind integerKind(double y) {
    if (std::fabs(y) >= 0x1p53) {
        return {y == y && std::fabs(y) != infinity, false};
    }
    if (std::floor(y) != y) {
        return {};
    }
    return {true, (static_cast<std::int64_t>(y) & 1) != 0};
}

// x^y for x = +-0 or +-inf, y neither 0 nor NaN.
double powOfZeroOrInfinity(double x, double y, bool yOdd) {
    const bool zero = x == 0.0;
    const bool large = (y > 0.0) != zero;  // 0^negative and inf^positive
    const double magnitude = large ? infinity : 0.0;
    return yOdd ? std::copysign(magnitude, x) : magnitude;
}

// x^(+-inf) for x not NaN.
double powOfInfiniteExponent(double x, double y) {
    const double magnitude = std::fabs(x);
    if (magnitude == 1.0) {
        return 1.0;
    }
    return (magnitude > 1.0) == (y > 0.0) ? infinity : 0.0;
}

// For an integer y with 3 <= y <= 34 (3^35 > 2^54), x^y can be exactly a double or
// exactly halfway between two, which no approximation decides: the odd part m of x's
// significand raised to y, when it needs at most 54 bits, gives it exactly.
bool exactIntegerPower(double x, double y, double& result) {
    if (!(y >= 3.0 && y <= 34.0) || std::floor(y) != y) {
        return false;
    }
    int exponent = 0;
    const double fraction = std::frexp(x, &exponent);
    auto m = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    exponent -= 53;
    while ((m & 1) == 0) {
        m >>= 1;
        ++exponent;
    }
    std::uint64_t power = 1;
    const int n = static_cast<int>(y);
    for (int i = 0; i < n; ++i) {
        if (power > (1ull << 54) / m) {
            return false;
        }
        power *= m;
    }
    const double hi = static_cast<double>(power);
    const double lo =
        static_cast<double>(static_cast<std::int64_t>(power) -
                            static_cast<std::int64_t>(static_cast<std::uint64_t>(hi)));
    result = roundScaled({hi, lo}, exponent * n);
    return true;
}

// |x|^y for a finite positive normal or subnormal magnitude.
double powOfMagnitude(const double original, double y) {
    double magnitude = original;
    int kOffset = 0;
    if (magnitude < 0x1p-1022) {
        magnitude *= 0x1p52;
        kOffset = -52;
    }
    const DoubleDouble l = logFast<false>(magnitude, 0.0, kOffset);
    const DoubleDouble p = twoProduct(y, l.hi);
    if (!(std::fabs(p.hi) < 708.0)) {
        if (p.hi > 709.8) {
            return infinity;
        }
        if (p.hi < -745.2) {
            return 0.0;
        }
    } else {
        const DoubleDouble t = fastTwoSum(p.hi, p.lo + y * l.lo);
        const ScaledValue v = expFast<true>(t.hi, t.lo);
        // The logarithm's relative error becomes an absolute error of y ln x.
        const double bound = expFastBound * (1.0 + std::fabs(t.hi));
        if (const Rounded r = roundedWithin(v.hi, v.lo, bound); r.ok) {
            return r.value * powerOfTwo(v.exponent);
        }
    }
    double exact = 0.0;
    if (exactIntegerPower(original, y, exact)) {
        return exact;
    }
    const DoubleDouble la = logAccurate(magnitude, 0.0, kOffset);
    const DoubleDouble e = multiply(la, y);
    const ScaledValue v = expAccurate(e.hi, e.lo);
    return roundScaled({v.hi, v.lo}, v.exponent);
}

}  // namespace

double pow(double x, double y) {
    if (y == 0.0 || x == 1.0) {
        return 1.0;
    }
    if (x != x || y != y) {
        return x + y;
    }
    if (y == 1.0) {
        return x;
    }
    if (y == 2.0) {
        return x * x;
    }
    if (y == -1.0) {
        return 1.0 / x;
    }
    if (std::fabs(y) == infinity) {
        return powOfInfiniteExponent(x, y);
    }
    const IntegerKind kind = integerKind(y);
    if (x == 0.0 || std::fabs(x) == infinity) {
        return powOfZeroOrInfinity(x, y, kind.odd);
    }
    if (x < 0.0 && !kind.integer) {
        return std::numeric_limits<double>::quiet_NaN();
    }
    const double magnitude = powOfMagnitude(std::fabs(x), y);
    return x < 0.0 && kind.odd ? -magnitude : magnitude;
}

}  // namespace quillmere
