#pragma once

#include <string_view>
#include <vector>

namespace quillmere {

inline constexpr int MAXIT = 100;

// Remarks the incomplete beta function makes and goes on: the caller shows
// them (the console program prints each on its own line), in the order they
// arose. Views compare by their text: a literal's address may differ between
// translation units (sanitizer builds do not merge them).
using NumericNotes = std::vector<std::string_view>;
inline constexpr std::string_view betaiBadXNote = "Bad x in routine betai";
inline constexpr std::string_view betacfNoConvergenceNote =
    "a or b too big, or MAXIT too small in betacf";

// Regularised incomplete beta function I_x(a, b) in single precision. Notes
// betaiBadXNote for x outside [0, 1] and goes on.
float betai(float a, float b, float x, NumericNotes& notes);
// Continued fraction of the incomplete beta function (modified Lentz). Notes
// betacfNoConvergenceNote when it does not converge and returns its last value.
float betacf(float a, float b, float x, NumericNotes& notes);
// The same values, for callers that have no use for the notes.
float betai(float a, float b, float x);
// ln Gamma(v) for v > 0, computed in double and rounded to single precision.
float logGamma(float v);

}  // namespace quillmere
