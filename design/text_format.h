#pragma once

#include <charconv>
#include <cstdio>
#include <string>

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
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace quillmere
