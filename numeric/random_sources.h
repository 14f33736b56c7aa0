#pragma once

#include <array>
#include <cstdint>

namespace quillmere {

// Shuffled combination of three linear congruential generators. A fresh
// instance starts from the fixed seed at its first draw; it is never reseeded.
struct UniformGenerator {
    bool initialised = false;
    std::int32_t coarseState = 0;
    std::int32_t fineState = 0;
    std::int32_t pickState = 0;
    std::array<double, 97> shuffleTable{};
};

// Single 15-bit linear congruential generator; starts at state 1.
struct Rand15Generator {
    std::uint32_t state = 1;
};

double nextUniform(UniformGenerator& generator);

// Starts the uniform generator at another point of its cycle: the shuffle
// table is filled from coarse state `start` modulo 259200, as the fixed
// stream fills it from fixedUniformStart(). Only tools that want streams
// other than the fixed one call this; a fresh generator is never affected.
void startUniformAt(UniformGenerator& generator, std::uint32_t start);
std::uint32_t fixedUniformStart();

// SplitMix64: advances `state` by the golden-ratio increment and returns the
// mixed value. Turns a seed and a counter into well-spread starting states.
std::uint64_t splitMix64(std::uint64_t& state);
int rand15(Rand15Generator& generator);
// (r + 0.5) / 32768 for the next r of rand15: strictly inside (0, 1).
double openUniform(Rand15Generator& generator);

}  // namespace quillmere
