#include "engine/engine_state.h"

namespace quillmere {

EngineState independentEngineState(std::uint64_t seed, std::uint64_t run) {
    std::uint64_t key = seed;
    key = splitMix64(key) ^ run;
    EngineState state;
    startUniformAt(state.uniform, static_cast<std::uint32_t>(splitMix64(key) % 259200u));
    state.rand15.state = static_cast<std::uint32_t>(splitMix64(key));
    return state;
}

}  // namespace quillmere
