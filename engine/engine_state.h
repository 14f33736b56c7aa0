#pragma once

#include <array>
#include <cstdint>

#include "numeric/incomplete_beta.h"
#include "numeric/random_sources.h"
#include "trial/trial_data.h"

namespace quillmere {

// The mutable state one analysis needs besides its record: which hazard is
// being drawn, the gamma prior shapes of the hazards, and the two random
// sources. The console program keeps one process-wide instance; tools that
// run many analyses give each its own.
struct EngineState {
    int currentHazardIndex = 0;
    std::array<double, intervalCount> hazardPriorShape{};
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
