#include "numeric/random_sources.h"

#include <cstddef>

namespace quillmere {

namespace {

constexpr std::int32_t uniformSeed = -29;

constexpr std::int32_t coarseModulus = 259200;
constexpr std::int32_t coarseMultiplier = 7141;
constexpr std::int32_t coarseIncrement = 54773;
constexpr std::int32_t fineModulus = 134456;
constexpr std::int32_t fineMultiplier = 8121;
constexpr std::int32_t fineIncrement = 28411;
constexpr std::int32_t pickModulus = 243000;
constexpr std::int32_t pickMultiplier = 4561;
constexpr std::int32_t pickIncrement = 51349;

// Every product below stays under 2^31 - 1, so 32-bit signed arithmetic is exact.
static_assert(static_cast<std::int64_t>(coarseMultiplier) * (coarseModulus - 1) + coarseIncrement <
              (std::int64_t{1} << 31));
static_assert(static_cast<std::int64_t>(fineMultiplier) * (fineModulus - 1) + fineIncrement <
              (std::int64_t{1} << 31));
static_assert(static_cast<std::int64_t>(pickMultiplier) * (pickModulus - 1) + pickIncrement <
              (std::int64_t{1} << 31));

std::int32_t advanceCoarse(std::int32_t a) {
    return (coarseMultiplier * a + coarseIncrement) % coarseModulus;
}
std::int32_t advanceFine(std::int32_t b) {
    return (fineMultiplier * b + fineIncrement) % fineModulus;
}
std::int32_t advancePick(std::int32_t c) {
    return (pickMultiplier * c + pickIncrement) % pickModulus;
}

// The scale factors are the short decimal constants the results were produced
// with, not 1/134456 and 1/259200; the largest value therefore exceeds 1 by
// about 2.2e-9 and is returned as it is.
double pairValue(std::int32_t a, std::int32_t b) {
    return (static_cast<double>(b) * 7.4373773e-6 + static_cast<double>(a)) * 3.8580247e-6;
}

// The first coarse state of the fixed stream.
constexpr std::int32_t fixedStart = (coarseIncrement - uniformSeed) % coarseModulus;

void fillShuffleTable(UniformGenerator& g, std::int32_t start) {
    std::int32_t a = advanceCoarse(start);
    g.fineState = a % fineModulus;
    a = advanceCoarse(a);
    g.pickState = a % pickModulus;
    g.coarseState = a;
    for (double& slot : g.shuffleTable) {
        g.coarseState = advanceCoarse(g.coarseState);
        g.fineState = advanceFine(g.fineState);
        slot = pairValue(g.coarseState, g.fineState);
    }
    g.initialised = true;
}

}  // namespace

double nextUniform(UniformGenerator& generator) {
    if (!generator.initialised) {
        fillShuffleTable(generator, fixedStart);
    }
    generator.coarseState = advanceCoarse(generator.coarseState);
    generator.fineState = advanceFine(generator.fineState);
    generator.pickState = advancePick(generator.pickState);
    const std::int32_t slot = (97 * generator.pickState) / pickModulus;
    const double result = generator.shuffleTable[static_cast<std::size_t>(slot)];
    generator.shuffleTable[static_cast<std::size_t>(slot)] =
        pairValue(generator.coarseState, generator.fineState);
    return result;
}

std::uint64_t splitMix64(std::uint64_t& state) {
    state += 0x9E3779B97F4A7C15ULL;
    std::uint64_t z = state;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

void startUniformAt(UniformGenerator& generator, std::uint32_t start) {
    fillShuffleTable(generator, static_cast<std::int32_t>(start % coarseModulus));
}

std::uint32_t fixedUniformStart() {
    return static_cast<std::uint32_t>(fixedStart);
}

int rand15(Rand15Generator& generator) {
    // Unsigned arithmetic wraps modulo 2^32 as the generator requires.
    generator.state = generator.state * 214013u + 2531011u;
    return static_cast<int>((generator.state >> 16) & 0x7FFFu);
}

double openUniform(Rand15Generator& generator) {
    return (static_cast<double>(rand15(generator)) + 0.5) * 3.0517578125e-05;
}

}  // namespace quillmere
