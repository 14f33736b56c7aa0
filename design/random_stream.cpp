#include "design/random_stream.h"

#include <cmath>

#include "numeric/numeric.h"

namespace quillmere {
namespace {

std::uint64_t rotateLeft(std::uint64_t x, int k) {
    return (x << k) | (x >> (64 - k));
}

}  // namespace

RandomStream replicateStream(std::uint64_t seed, int scenario, int replicate) {
    std::uint64_t key = seed;
    key = splitMix64(key) ^ static_cast<std::uint64_t>(scenario);
    key = splitMix64(key) ^ static_cast<std::uint64_t>(replicate);
    RandomStream stream;
    for (std::uint64_t& word : stream.state) {
        word = splitMix64(key);
    }
    return stream;
}

std::uint64_t nextBits(RandomStream& stream) {
    std::array<std::uint64_t, 4>& s = stream.state;
    const std::uint64_t result = rotateLeft(s[1] * 5, 7) * 9;
    const std::uint64_t t = s[1] << 17;
    s[2] ^= s[0];
    s[3] ^= s[1];
    s[1] ^= s[2];
    s[0] ^= s[3];
    s[2] ^= t;
    s[3] = rotateLeft(s[3], 45);
    return result;
}

double openUniform(RandomStream& stream) {
    const double top53 = static_cast<double>(nextBits(stream) >> 11);
    return (top53 + 0.5) * 0x1.0p-53;
}

double exponentialVariate(RandomStream& stream, double rate) {
    return -quillmere::log(openUniform(stream)) / rate;
}

double weibullVariate(RandomStream& stream, double shape, double scale) {
    const double u = openUniform(stream);
    return scale * quillmere::pow(-quillmere::log1p(-u), 1.0 / shape);
}

double weibullScaleFor(double probability, double window, double shape) {
    return window / quillmere::pow(-quillmere::log1p(-probability), 1.0 / shape);
}

}  // namespace quillmere
