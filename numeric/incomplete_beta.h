#pragma once

namespace quillmere {

inline constexpr int MAXIT = 100;

// Regularised incomplete beta function I_x(a, b) in single precision. Prints
// "Bad x in routine betai" for x outside [0, 1] and goes on.
float betai(float a, float b, float x);
// Continued fraction of the incomplete beta function (modified Lentz). Prints
// "a or b too big, or MAXIT too small in betacf" when it does not converge.
float betacf(float a, float b, float x);
// ln Gamma(v) for v > 0, computed in double and rounded to single precision.
float logGamma(float v);

}  // namespace quillmere
