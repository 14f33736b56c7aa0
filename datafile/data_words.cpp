#include "datafile/data_words.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>

namespace quillmere {

namespace {

bool isSeparator(int c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

// The next character; EOF only at the true end of the file.
int nextCharacter(std::FILE* file) {
    const int c = std::fgetc(file);
    if (c == EOF && std::ferror(file) != 0) {
        throw DataReadError();
    }
    return c;
}

}  // namespace

std::optional<DataWord> readDataWord(std::FILE* file, std::size_t limit) {
    int c = nextCharacter(file);
    while (c != EOF && isSeparator(c)) {
        c = nextCharacter(file);
    }
    if (c == EOF) {
        return std::nullopt;
    }
    DataWord word;
    for (; c != EOF && !isSeparator(c); c = nextCharacter(file)) {
        if (word.text.size() < limit) {
            word.text.push_back(static_cast<char>(c));
        } else {
            word.truncated = true;
        }
    }
    return word;
}

std::optional<int> wholeInteger(const std::string& word) {
    if (word.empty() || word.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    const char* begin = word.c_str();
    const std::size_t firstDigit = (word[0] == '+' || word[0] == '-') ? 1 : 0;
    if (firstDigit >= word.size() || !std::isdigit(static_cast<unsigned char>(word[firstDigit]))) {
        return std::nullopt;
    }
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(begin, &end, 10);
    if (*end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX) {
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<double> wholeNumber(const std::string& word) {
    if (word.empty() || word.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    const char* begin = word.c_str();
    if (std::isspace(static_cast<unsigned char>(word[0]))) {
        return std::nullopt;
    }
    char* end = nullptr;
    const double value = std::strtod(begin, &end);
    if (end == begin || *end != '\0') {
        return std::nullopt;
    }
    return value;
}

}  // namespace quillmere
