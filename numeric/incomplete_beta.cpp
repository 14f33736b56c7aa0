#include "numeric/incomplete_beta.h"

#include <array>
#include <cmath>

#include "numeric/elementary_functions.h"

// Single precision throughout, as the published results were produced: float
// variables, double literals. An operation on two floats is a float
// operation; one that involves a double constant or a double library result
// is done in double and rounded to float where it is stored. Every
// conversion below is written out so that no promotion happens by accident.
namespace quillmere {

namespace {

constexpr std::array<double, 6> lanczosCoefficients = {76.18009172947146,    -86.50532032941678,
                                                       24.01409824083091,    -1.231739572450155,
                                                       0.001208650973866179, -5.395239384953e-06};

constexpr double convergenceTolerance = 3e-7;
// The float nearest to 1e-30; magnitudes below it are replaced by it.
constexpr float tinyFloor = static_cast<float>(1e-30);

float floored(float v) {
    if (std::fabs(static_cast<double>(v)) < 1e-30) {
        return tinyFloor;
    }
    return v;
}

// 1 + v and 1 / v in double on the float operand, rounded back to float.
float onePlus(float v) {
    return static_cast<float>(1.0 + static_cast<double>(v));
}
float reciprocal(float v) {
    return static_cast<float>(1.0 / static_cast<double>(v));
}

}  // namespace

float logGamma(float v) {
    const double x = static_cast<double>(v);
    double t = x + 5.5;
    t = t - (x + 0.5) * quillmere::log(t);
    double s = 1.000000000190015;
    double y = x;
    for (const double c : lanczosCoefficients) {
        y = y + 1.0;
        s = s + c / y;
    }
    return static_cast<float>(quillmere::log(2.5066282746310007 * s / x) - t);
}

float betacf(float a, float b, float x, NumericNotes& notes) {
    const float qab = a + b;
    const float qap = static_cast<float>(static_cast<double>(a) + 1.0);
    const float qam = static_cast<float>(static_cast<double>(a) - 1.0);
    float c = 1.0f;
    float d = static_cast<float>(1.0 - static_cast<double>(qab * x / qap));
    d = floored(d);
    d = reciprocal(d);
    float h = d;
    for (int m = 1; m <= MAXIT; ++m) {
        const float mf = static_cast<float>(m);
        const float m2 = static_cast<float>(2 * m);

        float aa = ((b - mf) * mf) * x / ((qam + m2) * (a + m2));
        d = floored(onePlus(aa * d));
        c = floored(onePlus(aa / c));
        d = reciprocal(d);
        h = (d * c) * h;

        aa = -((mf + qab) * (mf + a) * x) / ((m2 + qap) * (a + m2));
        d = floored(onePlus(aa * d));
        c = floored(onePlus(aa / c));
        d = reciprocal(d);
        const float del = d * c;
        h = del * h;

        if (std::fabs(static_cast<double>(del) - 1.0) < convergenceTolerance) {
            return h;
        }
    }
    notes.push_back(betacfNoConvergenceNote);
    return h;
}

float betai(float a, float b, float x, NumericNotes& notes) {
    if (x < 0.0f || x > 1.0f) {
        notes.push_back(betaiBadXNote);
    }
    const float abSum = a + b;
    float bt = 0.0f;
    if (x != 0.0f && x != 1.0f) {
        float g = logGamma(abSum) - logGamma(a) - logGamma(b);
        // The double logarithm rounded to float; the float logarithm differs
        // in the last bit for some x and would change the result.
        const float logX = static_cast<float>(quillmere::log(static_cast<double>(x)));
        g = g + a * logX;
        const double oneMinusX = 1.0 - static_cast<double>(x);
        bt = static_cast<float>(quillmere::exp(static_cast<double>(g) +
                                               static_cast<double>(b) * quillmere::log(oneMinusX)));
    }
    const double symmetryPoint =
        (static_cast<double>(a) + 1.0) / (static_cast<double>(abSum) + 2.0);
    if (static_cast<double>(x) < symmetryPoint) {
        return betacf(a, b, x, notes) * bt / a;
    }
    const float mirroredX = static_cast<float>(1.0 - static_cast<double>(x));
    return static_cast<float>(1.0 - static_cast<double>(betacf(b, a, mirroredX, notes) * bt / b));
}

float betai(float a, float b, float x) {
    NumericNotes ignored;
    return betai(a, b, x, ignored);
}

}  // namespace quillmere
