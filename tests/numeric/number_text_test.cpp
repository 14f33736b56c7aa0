#include "numeric/number_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace quillmere {
namespace {

using number_text_detail::readByCLibrary;
using number_text_detail::shortestTextByCLibrary;

std::uint64_t bitsOf(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

std::string standardShortest(double value) {
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, written.ptr);
}

// Both writers give the same text, and it reads back to the same bits.
void expectWrittenAlike(double value) {
    const std::string text = shortestTextByCLibrary(value);
    ASSERT_EQ(text, standardShortest(value)) << std::hexfloat << value;
    ASSERT_EQ(shortestText(value), text);
    double read = 0.0;
    const auto [stop, error] = numberFromChars(text.data(), text.data() + text.size(), read);
    ASSERT_EQ(error, std::errc()) << text;
    ASSERT_EQ(stop, text.data() + text.size()) << text;
    ASSERT_EQ(bitsOf(read), bitsOf(value)) << text;
}

struct ReadCase {
    std::string text;
    std::errc error;
    std::ptrdiff_t used;  // characters taken (0 for invalid input)
    double value;         // what is read; the old value on an error
};

// The form std::from_chars reads, with its ranges: what each reader takes.
TEST(NumberText, ReadsTheStandardFormAndNothingElse) {
    const double old = -7.0;
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<ReadCase> cases = {
        {"0.3", {}, 3, 0.3},
        {"-0", {}, 2, -0.0},
        {".5", {}, 2, 0.5},
        {"5.", {}, 2, 5.0},
        {"1e", {}, 1, 1.0},
        {"1e+", {}, 1, 1.0},
        {"2.5E-3x", {}, 6, 0.0025},
        {"0x10", {}, 1, 0.0},
        {"253.86905962970911", {}, 18, 253.86905962970911},
        {"1.7976931348623157e308", {}, 22, 0x1.fffffffffffffp+1023},
        {"4.9e-324", {}, 8, 0x0.0000000000001p-1022},
        {"1e-310", {}, 6, 1e-310},
        {"2.4703282292062328e-324", {}, 23, 0x0.0000000000001p-1022},
        {"infinity", {}, 8, inf},
        {"-INFinit", {}, 4, -inf},
        {"1e400", std::errc::result_out_of_range, 5, old},
        {"1.7976931348623159e308", std::errc::result_out_of_range, 22, old},
        {"2e-324", std::errc::result_out_of_range, 6, old},
        {"1e-400", std::errc::result_out_of_range, 6, old},
        {"0e-400", {}, 6, 0.0},
        {"+1", std::errc::invalid_argument, 0, old},
        {" 1", std::errc::invalid_argument, 0, old},
        {".", std::errc::invalid_argument, 0, old},
        {"-", std::errc::invalid_argument, 0, old},
        {"", std::errc::invalid_argument, 0, old},
        {"e5", std::errc::invalid_argument, 0, old},
    };
    for (const ReadCase& c : cases) {
        for (const bool cLibrary : {false, true}) {
            double value = old;
            const char* first = c.text.data();
            const char* last = first + c.text.size();
            const auto [stop, error] =
                cLibrary ? readByCLibrary(first, last, value) : numberFromChars(first, last, value);
            EXPECT_EQ(error, c.error) << c.text << (cLibrary ? " (C library)" : "");
            EXPECT_EQ(stop - first, c.used) << c.text << (cLibrary ? " (C library)" : "");
            EXPECT_EQ(bitsOf(value), bitsOf(c.value)) << c.text << (cLibrary ? " (C library)" : "");
        }
    }
}

TEST(NumberText, NotANumberKeepsItsSignAndTakesAClosedWord) {
    const std::vector<std::pair<std::string, std::ptrdiff_t>> cases = {
        {"nan", 3}, {"NaN", 3}, {"-nan", 4}, {"nan(abc_1)", 10}, {"nan(", 3}, {"nan(a-b)", 3}};
    for (const auto& [text, used] : cases) {
        for (const bool cLibrary : {false, true}) {
            double value = 0.0;
            const char* first = text.data();
            const auto result = cLibrary ? readByCLibrary(first, first + text.size(), value)
                                         : numberFromChars(first, first + text.size(), value);
            EXPECT_EQ(result.ec, std::errc()) << text;
            EXPECT_EQ(result.ptr - first, used) << text;
            EXPECT_TRUE(std::isnan(value)) << text;
            EXPECT_EQ(std::signbit(value), text[0] == '-') << text;
        }
    }
}

// The values where fixed and scientific notation change places, the ends of
// the range, powers of two (whose lower neighbour is nearer) and numbers of
// every length of digits.
TEST(NumberText, WritesEdgeValuesAsTheStandardLibraryDoes) {
    std::vector<double> values = {0.0,
                                  -0.0,
                                  std::numeric_limits<double>::infinity(),
                                  -std::numeric_limits<double>::infinity(),
                                  std::numeric_limits<double>::max(),
                                  std::numeric_limits<double>::min(),
                                  std::numeric_limits<double>::denorm_min(),
                                  std::numeric_limits<double>::epsilon(),
                                  0.1,
                                  0.3,
                                  1.0 / 3.0,
                                  0.99999999,
                                  123456789012345680000.0,
                                  1e21,
                                  1e22,
                                  9007199254740993.0,
                                  5e-324,
                                  1.5e-7};
    for (int exponent = -330; exponent <= 310; ++exponent) {
        values.push_back(std::pow(10.0, exponent));
        values.push_back(1.25 * std::pow(10.0, exponent));
    }
    for (int exponent = -1074; exponent <= 1023; ++exponent) {
        values.push_back(std::ldexp(1.0, exponent));
        values.push_back(std::nextafter(std::ldexp(1.0, exponent), 0.0));
    }
    for (const double value : values) {
        expectWrittenAlike(value);
        expectWrittenAlike(-value);
    }
    EXPECT_EQ(shortestTextByCLibrary(std::numeric_limits<double>::quiet_NaN()), "nan");
    EXPECT_EQ(shortestTextByCLibrary(-std::numeric_limits<double>::quiet_NaN()), "-nan");
}

TEST(NumberText, WritesRandomDoublesAsTheStandardLibraryDoes) {
    std::mt19937_64 bits(20261208);
    std::mt19937_64 unit(7);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    for (int i = 0; i < 30000; ++i) {
        const double any = std::bit_cast<double>(bits());
        if (!std::isnan(any)) {
            expectWrittenAlike(any);
        }
        // The program's own values: probabilities, durations, rates.
        expectWrittenAlike(uniform(unit));
        expectWrittenAlike(1000.0 * uniform(unit));
    }
}

// Every number in the bundled trial, design and result files: read alike
// by both readers, written alike, read back to the same bits.
TEST(NumberText, TheBundledFilesNumbersReadAndWriteAlike) {
    const std::regex number("-?(0x[0-9a-fA-F.]+p[-+]?[0-9]+|[0-9]*\\.?[0-9]+([eE][-+]?[0-9]+)?)");
    int count = 0;
    const std::filesystem::path data{QUILLMERE_TEST_DATA_DIR};
    for (const auto& entry : std::filesystem::recursive_directory_iterator(data)) {
        if (!entry.is_regular_file()) {
            continue;
        }
        std::ifstream in(entry.path(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        const std::string content = text.str();
        for (std::sregex_iterator it(content.begin(), content.end(), number), end; it != end;
             ++it) {
            const std::string word = it->str();
            const double value = std::strtod(word.c_str(), nullptr);
            if (word.find('x') == std::string::npos) {
                double standard = -1.0;
                double cLibrary = -1.0;
                const char* first = word.data();
                const char* last = first + word.size();
                numberFromChars(first, last, standard);
                readByCLibrary(first, last, cLibrary);
                ASSERT_EQ(bitsOf(standard), bitsOf(value)) << word;
                ASSERT_EQ(bitsOf(cLibrary), bitsOf(value)) << word;
            }
            expectWrittenAlike(value);
            ++count;
        }
    }
    EXPECT_GT(count, 3000);
}

}  // namespace
}  // namespace quillmere
