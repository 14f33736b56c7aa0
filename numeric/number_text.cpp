#include "numeric/number_text.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <optional>
#include <string_view>

// libstdc++ (Linux, MinGW-w64) has both conversions for double. libc++ lacks
// the reading, and Apple's marks the writing as newer than the systems a
// package built there must still run on, so the C library serves it there.
#if defined(__cpp_lib_to_chars) && !defined(_LIBCPP_VERSION)
#define QUILLMERE_STANDARD_CHARCONV 1
#else
#define QUILLMERE_STANDARD_CHARCONV 0
#endif

namespace quillmere {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isWordCharacter(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

char lowerCase(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool startsWithWord(const char* first, const char* last, std::string_view word) {
    if (static_cast<std::size_t>(last - first) < word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (lowerCase(first[i]) != word[i]) {
            return false;
        }
    }
    return true;
}

const char* afterDigits(const char* p, const char* last, bool& any, bool& nonZero) {
    for (; p != last && isDigit(*p); ++p) {
        any = true;
        nonZero = nonZero || *p != '0';
    }
    return p;
}

// inf, infinity, nan or nan(word) after the sign, or nothing.
std::optional<std::from_chars_result> readSpecial(const char* p, const char* last, bool negative,
                                                  double& value) {
    if (startsWithWord(p, last, "inf")) {
        value = negative ? -std::numeric_limits<double>::infinity()
                         : std::numeric_limits<double>::infinity();
        return std::from_chars_result{p + (startsWithWord(p, last, "infinity") ? 8 : 3), {}};
    }
    if (!startsWithWord(p, last, "nan")) {
        return std::nullopt;
    }
    const char* end = p + 3;
    if (end != last && *end == '(') {
        const char* close = end + 1;
        while (close != last && isWordCharacter(*close)) {
            ++close;
        }
        if (close != last && *close == ')') {
            end = close + 1;
        }
    }
    value = std::copysign(std::numeric_limits<double>::quiet_NaN(), negative ? -1.0 : 1.0);
    return std::from_chars_result{end, {}};
}

// The decimal text with its point written as the C library reads it now
// (a program that changed the number format has another point).
double strtodInAnyLocale(std::string text) {
    const std::string_view point = std::localeconv()->decimal_point;
    if (const std::size_t at = text.find('.'); at != std::string::npos && point != ".") {
        text.replace(at, 1, point);
    }
    return std::strtod(text.c_str(), nullptr);
}

// A double's decimal digits and the power of ten of the first of them.
struct DecimalDigits {
    std::string digits;
    int exponent = 0;
};

// `count` significant digits, correctly rounded by the C library.
DecimalDigits roundedDigits(double magnitude, int count) {
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.*e", count - 1, magnitude);
    DecimalDigits decimal;
    const char* p = buffer;
    for (; *p != 'e' && *p != 'E' && *p != '\0'; ++p) {
        if (isDigit(*p)) {
            decimal.digits += *p;
        }
    }
    decimal.exponent = *p == '\0' ? 0 : std::atoi(p + 1);
    return decimal;
}

// The next larger number of as many digits (9.9 gives 1.0 times ten).
DecimalDigits nextUp(DecimalDigits decimal) {
    std::size_t i = decimal.digits.size();
    while (i > 0 && decimal.digits[i - 1] == '9') {
        decimal.digits[--i] = '0';
    }
    if (i == 0) {
        decimal.digits.insert(decimal.digits.begin(), '1');
        decimal.digits.pop_back();
        ++decimal.exponent;
    } else {
        ++decimal.digits[i - 1];
    }
    return decimal;
}

std::string scientificForm(const DecimalDigits& decimal) {
    std::string text(1, decimal.digits[0]);
    if (decimal.digits.size() > 1) {
        text += '.' + decimal.digits.substr(1);
    }
    char exponent[16];
    std::snprintf(exponent, sizeof exponent, "e%c%02d", decimal.exponent < 0 ? '-' : '+',
                  std::abs(decimal.exponent));
    return text + exponent;
}

std::string fixedForm(const DecimalDigits& decimal) {
    const std::string& digits = decimal.digits;
    const int count = static_cast<int>(digits.size());
    if (decimal.exponent < 0) {
        return "0." + std::string(static_cast<std::size_t>(-decimal.exponent - 1), '0') + digits;
    }
    if (count <= decimal.exponent + 1) {
        return digits + std::string(static_cast<std::size_t>(decimal.exponent + 1 - count), '0');
    }
    const auto whole = static_cast<std::size_t>(decimal.exponent + 1);
    return digits.substr(0, whole) + "." + digits.substr(whole);
}

std::string exactWholeNumber(double magnitude) {
    char buffer[320];
    std::snprintf(buffer, sizeof buffer, "%.0f", magnitude);
    return buffer;
}

bool readsBackAs(const DecimalDigits& decimal, double magnitude) {
    const std::string text = scientificForm(decimal);
    double read = 0.0;
    number_text_detail::readByCLibrary(text.data(), text.data() + text.size(), read);
    return read == magnitude;
}

// The fewest digits that read back as `magnitude` (finite, positive). The
// correctly rounded ones do, except at a power of two, whose lower neighbour
// is nearer than its upper one: there the next larger number of as many
// digits may read back where the nearer lower one does not.
DecimalDigits shortestDigits(double magnitude) {
    DecimalDigits decimal;
    for (int count = 1; count < 17; ++count) {
        decimal = roundedDigits(magnitude, count);
        if (readsBackAs(decimal, magnitude)) {
            return decimal;
        }
        if (const DecimalDigits above = nextUp(decimal); readsBackAs(above, magnitude)) {
            return above;
        }
    }
    return roundedDigits(magnitude, 17);
}

// Trailing zeros say nothing about the value.
DecimalDigits withoutTrailingZeros(DecimalDigits decimal) {
    while (decimal.digits.size() > 1 && decimal.digits.back() == '0') {
        decimal.digits.pop_back();
    }
    return decimal;
}

}  // namespace

namespace number_text_detail {

std::from_chars_result readByCLibrary(const char* first, const char* last, double& value) {
    const bool negative = first != last && *first == '-';
    const char* p = first + (negative ? 1 : 0);
    if (const std::optional<std::from_chars_result> special =
            readSpecial(p, last, negative, value)) {
        return *special;
    }
    bool anyDigit = false;
    bool nonZero = false;
    p = afterDigits(p, last, anyDigit, nonZero);
    if (p != last && *p == '.') {
        p = afterDigits(p + 1, last, anyDigit, nonZero);
    }
    if (!anyDigit) {
        return {first, std::errc::invalid_argument};
    }
    if (p != last && (*p == 'e' || *p == 'E')) {
        const char* exponent = p + 1;
        if (exponent != last && (*exponent == '+' || *exponent == '-')) {
            ++exponent;
        }
        bool anyExponentDigit = false;
        bool ignored = false;
        exponent = afterDigits(exponent, last, anyExponentDigit, ignored);
        p = anyExponentDigit ? exponent : p;
    }
    const double read = strtodInAnyLocale(std::string(first, p));
    if (std::isinf(read) || (read == 0.0 && nonZero)) {
        return {p, std::errc::result_out_of_range};
    }
    value = read;
    return {p, {}};
}

std::string shortestTextByCLibrary(double value) {
    const std::string sign = std::signbit(value) ? "-" : "";
    if (std::isnan(value)) {
        return sign + "nan";
    }
    if (std::isinf(value)) {
        return sign + "inf";
    }
    if (value == 0.0) {
        return sign + "0";
    }
    const DecimalDigits decimal = withoutTrailingZeros(shortestDigits(std::fabs(value)));
    const std::string scientific = scientificForm(decimal);
    if (scientific.size() < fixedForm(decimal).size()) {
        return sign + scientific;
    }
    // A whole number written in full: its exact digits, as long as the
    // shortest ones padded with zeros and nearer.
    const bool padded = static_cast<int>(decimal.digits.size()) < decimal.exponent + 1;
    return sign + (padded ? exactWholeNumber(std::fabs(value)) : fixedForm(decimal));
}

}  // namespace number_text_detail

std::string shortestText(double value) {
#if QUILLMERE_STANDARD_CHARCONV
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
#else
    return number_text_detail::shortestTextByCLibrary(value);
#endif
}

std::from_chars_result numberFromChars(const char* first, const char* last, double& value) {
#if QUILLMERE_STANDARD_CHARCONV
    return std::from_chars(first, last, value);
#else
    return number_text_detail::readByCLibrary(first, last, value);
#endif
}

}  // namespace quillmere
