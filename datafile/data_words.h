#pragma once

#include <cstddef>
#include <cstdio>
#include <optional>
#include <stdexcept>
#include <string>

namespace quillmere {

// One white-space separated word of the data file. When the word is longer
// than the limit, only its first `limit` characters are kept and `truncated`
// is set; the rest of the word is still consumed.
struct DataWord {
    std::string text;
    bool truncated = false;
};

// Reading the file failed (a directory in place of the file, a device error):
// this must never pass for the end of the file, or the data would look empty
// or cut short.
class DataReadError : public std::runtime_error {
  public:
    DataReadError() : std::runtime_error("the data file could not be read") {}
};

// The next word, or empty at the end of the file. Throws DataReadError when
// reading fails.
std::optional<DataWord> readDataWord(std::FILE* file, std::size_t limit);

// A whole word as an integer (optional sign, decimal digits, in int range).
std::optional<int> wholeInteger(const std::string& word);

// A whole word as a decimal number, as a formatted read would take it
// (including nan and inf); empty when any character is left over.
std::optional<double> wholeNumber(const std::string& word);

}  // namespace quillmere
