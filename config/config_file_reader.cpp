#include "config/config_file_reader.h"

#include <fstream>
#include <locale>
#include <utility>
#include <vector>

namespace quillmere {

namespace {

bool isBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

// A carriage return that directly precedes the line feed belongs to the line
// end, so files written with CR LF line ends read like LF files. A final line
// without a line feed may still end in one.
void dropCarriageReturn(std::string& line) {
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
}

}  // namespace

void trimBlanks(std::string& text) {
    std::size_t first = 0;
    while (first < text.size() && isBlankOrTab(text[first])) {
        ++first;
    }
    std::size_t end = text.size();
    while (end > first && isBlankOrTab(text[end - 1])) {
        --end;
    }
    text = text.substr(first, end - first);
}

ConfigFileReader::ConfigFileReader(std::string fileName)
    : commentChar('#'), lineDelimiter('\n'), separator('=') {
    clearErrors();
    this->fileName = std::move(fileName);
}

ConfigFileReader::~ConfigFileReader() = default;

std::string ConfigFileReader::getErrorText() const {
    return errorBuffer.str();
}

void ConfigFileReader::clearErrors() {
    errorBuffer.str(std::string());
    errorBuffer.clear();
}

std::string ConfigFileReader::listEntries() const {
    std::string listing;
    for (const auto& [key, value] : entries) {
        listing += "  " + key + " = " + value + '\n';
    }
    return listing;
}

int ConfigFileReader::loadFile() {
    std::ifstream file(fileName, std::ios::binary);
    if (!file.is_open()) {
        errorBuffer << "Error opening file: (" << fileName << ")";
        return -1;
    }

    // Every line is read, the last one too when no line feed ends it.
    std::vector<std::string> keptLines;
    std::string line;
    while (std::getline(file, line, lineDelimiter)) {
        dropCarriageReturn(line);
        trimBlanks(line);
        const std::size_t comment = line.find(commentChar);
        if (comment != std::string::npos) {
            line.erase(comment);
        }
        if (!line.empty()) {
            keptLines.push_back(line);
        }
    }
    // A read error (a directory, a failing device) must not pass for a
    // short file: the table would silently miss entries.
    if (file.bad()) {
        errorBuffer << "Error reading file: (" << fileName << ")";
        return -1;
    }
    file.close();

    if (!keptLines.empty()) {
        entries.clear();
    }
    for (const std::string& kept : keptLines) {
        const std::size_t split = kept.find(separator);
        if (split == std::string::npos) {
            continue;
        }
        std::string key = kept.substr(0, split);
        std::string value = kept.substr(split + 1);
        trimBlanks(key);
        trimBlanks(value);
        entries[key] = value;
    }
    return static_cast<int>(entries.size());
}

bool ConfigFileReader::getValue(std::string& value, const std::string& key) {
    clearErrors();
    const auto found = entries.find(key);
    if (found == entries.end()) {
        errorBuffer << "Did not find name (" << key << ") in the file.";
    } else {
        value = found->second;
    }
    return errorBuffer.str().empty();
}

bool ConfigFileReader::getValue(double& value, const std::string& key) {
    clearErrors();
    double converted = value;
    const auto found = entries.find(key);
    if (found == entries.end()) {
        errorBuffer << "Did not find name (" << key << ") in the file.";
    } else {
        const std::string& stored = found->second;
        std::istringstream number(stored);
        number.imbue(std::locale::classic());
        number >> converted;
        if (number.fail()) {
            errorBuffer << "Conversion of (" << stored << ") failed.";
        } else if (number.peek() != std::istringstream::traits_type::eof()) {
            errorBuffer << "Conversion of (" << stored << ") was incomplete.";
        }
    }
    if (errorBuffer.str().empty()) {
        value = converted;
    }
    return errorBuffer.str().empty();
}

std::string ConfigFileReader::getFileName() const {
    return fileName;
}

}  // namespace quillmere
