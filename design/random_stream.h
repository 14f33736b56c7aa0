#pragma once

#include <array>
#include <cstdint>

#include "numeric/random_sources.h"

namespace quillmere {

// The simulation's own random source, fully specified so that every platform
// draws the same trial data: xoshiro256** seeded through SplitMix64.
struct RandomStream {
    std::array<std::uint64_t, 4> state{};
};

// The stream of one replicate. The key is mixed in three SplitMix64 steps,
//   k = splitMix64(seed) ^ scenario;  k = splitMix64(k) ^ replicate;
// (scenario and replicate counted from 0) and the four state words are the
// next four SplitMix64 outputs from k. Every replicate thus owns its stream,
// whatever thread or shard simulates it.
RandomStream replicateStream(std::uint64_t seed, int scenario, int replicate);

std::uint64_t nextBits(RandomStream& stream);

// A uniform number strictly inside (0, 1): (top 53 bits + 0.5) / 2^53.
double openUniform(RandomStream& stream);

// Exponential waiting time with the given rate, by inversion: -ln(u) / rate.
double exponentialVariate(RandomStream& stream, double rate);

// Weibull time with the given shape and scale, by inversion:
// scale * (-ln(1 - u))^(1 / shape).
double weibullVariate(RandomStream& stream, double shape, double scale);

// The Weibull scale under which the probability of an event by `window` is
// `probability`.
double weibullScaleFor(double probability, double window, double shape);

}  // namespace quillmere
