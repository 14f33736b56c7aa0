#pragma once

// Numbers as text, the same on every platform: the shortest text that reads
// back as the same double, and the reading of a double in the one form that
// std::from_chars accepts. Where the standard library has both for double
// they serve; elsewhere (libc++, and Apple's older deployment targets) the
// C library does it under the "C" number format, to the same bits and the
// same characters.
#include <charconv>
#include <concepts>
#include <string>

namespace quillmere {

// The shortest text that reads back as exactly `value`, as std::to_chars
// writes it: fixed or scientific notation, whichever is shorter (fixed when
// both are as long), "inf", "-inf", "nan" and "-nan" for the others.
std::string shortestText(double value);

// Reads a double from the front of [first, last) as std::from_chars does in
// its general format: an optional minus sign, digits with an optional point
// and exponent, or inf, infinity, nan and nan(...) in any case; no plus sign,
// blanks or hexadecimal. A value that rounds to zero or beyond the largest
// double is out of range and leaves `value` as it was.
std::from_chars_result numberFromChars(const char* first, const char* last, double& value);

template <std::integral Whole>
std::from_chars_result numberFromChars(const char* first, const char* last, Whole& value) {
    return std::from_chars(first, last, value);
}

namespace number_text_detail {

// The C library's ways, built on every platform so that tests can hold them
// against the standard library's where it has both.
std::string shortestTextByCLibrary(double value);
std::from_chars_result readByCLibrary(const char* first, const char* last, double& value);

}  // namespace number_text_detail

}  // namespace quillmere
