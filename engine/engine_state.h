#pragma once

#include <array>

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

}  // namespace quillmere
