#pragma once

#include <cstdio>
#include <string>

#include "numeric/number_text.h"

namespace quillmere {

// printf-style formatting into a string (numbers in the C locale's format).
template <typename... Values>
std::string formatted(const char* format, Values... values) {
    const int length = std::snprintf(nullptr, 0, format, values...);
    std::string text(length > 0 ? length : 0, '\0');
    std::snprintf(text.data(), text.size() + 1, format, values...);
    return text;
}

// The shortest text that reads back as exactly the same double.
inline std::string roundTripText(double value) {
    return shortestText(value);
}

}  // namespace quillmere
