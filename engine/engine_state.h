#pragma once

#include <array>
#include <cstdint>

#include "numeric/incomplete_beta.h"
#include "numeric/random_sources.h"
#include "trial/trial_data.h"

namespace quillmere {

// Where the gamma prior of hazard k has its mean: Chained takes lambda0 for
// the first interval and the preceding interval's current hazard for the
// others (the console program's prior; with its shapes all 0 the means have
// no effect); Lambda0 takes lambda0 for every interval, which makes the six
// priors independent.
enum class HazardPriorMeans { Chained, Lambda0 };

// The mutable state one analysis needs besides its record: which hazard is
// being drawn, the gamma prior of the hazards and the range they are drawn
// from (per time unit of the record), and the two random sources. The
// console program keeps one process-wide instance with the defaults; tools
// that run many analyses give each its own.
struct EngineState {
    int currentHazardIndex = 0;
    std::array<double, intervalCount> hazardPriorShape{};
    HazardPriorMeans hazardPriorMeans = HazardPriorMeans::Chained;
    // The range must hold the chain's starting value 2.0 (the sampler
    // returns its code 1007 otherwise).
    double hazardLowerBound = 0.001;
    double hazardUpperBound = 100.0;
    UniformGenerator uniform;
    Rand15Generator rand15;
    // Remarks of the incomplete beta function, for the caller to show.
    NumericNotes numericNotes;
};

// A state whose two random sources start away from the fixed ones, for
// measuring the Monte Carlo spread of an analysis. The key of run `run`
// (counted from 1) is mixed in SplitMix64 steps,
//   k = splitMix64(seed) ^ run;  u = splitMix64(k);  r = splitMix64(k);
// the uniform generator starts at coarse state u mod 259200 and the rand15
// generator at state r mod 2^32. The same seed and run always give the same
// state; the fixed streams of a fresh EngineState are untouched.
EngineState independentEngineState(std::uint64_t seed, std::uint64_t run);

}  // namespace quillmere
