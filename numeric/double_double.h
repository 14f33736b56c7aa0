#pragma once

// Error-free transformations and double-double arithmetic: a value carried as
// an unevaluated sum hi + lo of two doubles, about 106 significant bits. Only
// IEEE additions, subtractions, multiplications and divisions in round to
// nearest, compiled without contraction, so the bits are the same on every
// processor and compiler.
#include <bit>
#include <cstdint>

namespace quillmere::elementary {

struct DoubleDouble {
    double hi = 0.0;
    double lo = 0.0;
};

// a + b = hi + lo exactly, when a's exponent is at least b's (or a is 0).
inline DoubleDouble fastTwoSum(double a, double b) {
    const double s = a + b;
    return {s, b - (s - a)};
}

// a + b = hi + lo exactly, whatever their sizes.
inline DoubleDouble twoSum(double a, double b) {
    const double s = a + b;
    const double bb = s - a;
    return {s, (a - (s - bb)) + (b - bb)};
}

// a = hi + lo with hi the first 26 significant bits of a, by clearing the
// last 27 bits of its encoding (exact for every finite a).
inline DoubleDouble splitHigh26(double a) {
    const double hi = std::bit_cast<double>(std::bit_cast<std::uint64_t>(a) & ~((1ull << 27) - 1));
    return {hi, a - hi};
}

// a * b = hi + lo exactly (Dekker), for products far from overflow and
// underflow.
inline DoubleDouble twoProduct(double a, double b) {
    const double p = a * b;
    const DoubleDouble x = splitHigh26(a);
    const DoubleDouble y = splitHigh26(b);
    const double err = ((x.hi * y.hi - p) + x.hi * y.lo + x.lo * y.hi) + x.lo * y.lo;
    return {p, err};
}

inline DoubleDouble add(DoubleDouble a, DoubleDouble b) {
    DoubleDouble s = twoSum(a.hi, b.hi);
    const DoubleDouble t = twoSum(a.lo, b.lo);
    s = fastTwoSum(s.hi, s.lo + t.hi);
    return fastTwoSum(s.hi, s.lo + t.lo);
}

inline DoubleDouble multiply(DoubleDouble a, DoubleDouble b) {
    const DoubleDouble p = twoProduct(a.hi, b.hi);
    return fastTwoSum(p.hi, p.lo + (a.hi * b.lo + a.lo * b.hi));
}

inline DoubleDouble multiply(DoubleDouble a, double b) {
    const DoubleDouble p = twoProduct(a.hi, b);
    return fastTwoSum(p.hi, p.lo + a.lo * b);
}

inline DoubleDouble divide(DoubleDouble a, DoubleDouble b) {
    const double q1 = a.hi / b.hi;
    const DoubleDouble r = add(a, multiply(b, -q1));
    const double q2 = r.hi / b.hi;
    const DoubleDouble r2 = add(r, multiply(b, -q2));
    const double q3 = r2.hi / b.hi;
    const DoubleDouble q = fastTwoSum(q1, q2);
    return add(q, {q3, 0.0});
}

}  // namespace quillmere::elementary
