#pragma once

// What both fuzz targets need: a console that swallows everything the
// readers print, and a hard stop when an accepted input breaks an invariant.
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>

namespace quillmere::fuzzing {

// Discards all output, so that the messages cost nothing.
class NullBuffer : public std::streambuf {
  protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

inline void silenceConsole() {
    static NullBuffer sink;
    std::cout.rdbuf(&sink);
}

// An input the readers accepted although it breaks what the rest of the
// program relies on: a finding.
#define QUILLMERE_FUZZ_REQUIRE(condition)                                                \
    do {                                                                                 \
        if (!(condition)) {                                                              \
            std::fprintf(stderr, "broken invariant: %s (%s:%d)\n", #condition, __FILE__, \
                         __LINE__);                                                      \
            std::abort();                                                                \
        }                                                                                \
    } while (false)

}  // namespace quillmere::fuzzing
