#pragma once

// Whether the four-wide pass over a sampler call's first points may run
// here. It needs AVX (which brings no fused multiply-add), asked of the
// processor at run time, and is built for x86-64 only, and not for Windows,
// whose GCC cannot align a 32-byte value on the stack. Everywhere else the
// pairs take those points: the same additions element by element, so the
// same bits.

namespace quillmere {

#if defined(__x86_64__) && !defined(_WIN32)
#define QUILLMERE_FOUR_WIDE_TARGET __attribute__((target("avx")))
inline bool fourWideAvailable() {
    return __builtin_cpu_supports("avx");
}
#else
#define QUILLMERE_FOUR_WIDE_TARGET
inline bool fourWideAvailable() {
    return false;
}
#endif

}  // namespace quillmere
