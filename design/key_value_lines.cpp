#include "design/key_value_lines.h"

#include "config/config_file_reader.h"

namespace quillmere {
namespace {

const std::string utf8Mark = "\xEF\xBB\xBF";

// Beyond this many, the lines that are not key = value are only counted: a
// file of another kind would otherwise fill the screen.
constexpr int listedLineProblems = 10;

bool startsWithUtf16Mark(const std::string& line) {
    return line.rfind("\xFF\xFE", 0) == 0 || line.rfind("\xFE\xFF", 0) == 0;
}

}  // namespace

KeyValueText readKeyValueLines(std::istream& in) {
    KeyValueText text;
    int lineNumber = 0;
    int badLines = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        if (lineNumber == 1 && startsWithUtf16Mark(line)) {
            text.problems.push_back(
                "The design file is UTF-16 text; save it as UTF-8 or plain ASCII text.");
            return text;
        }
        if (lineNumber == 1 && line.rfind(utf8Mark, 0) == 0) {
            line.erase(0, utf8Mark.size());
        }
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::size_t comment = line.find('#');
        if (comment != std::string::npos) {
            line.erase(comment);
        }
        trimBlanks(line);
        if (line.empty()) {
            continue;
        }
        const std::size_t split = line.find('=');
        std::string key = line.substr(0, split == std::string::npos ? 0 : split);
        trimBlanks(key);
        if (key.empty()) {
            if (++badLines <= listedLineProblems) {
                text.problems.push_back("Line " + std::to_string(lineNumber) +
                                        " of the design file is not of the form key = value (" +
                                        line + ").");
            }
            continue;
        }
        std::string value = line.substr(split + 1);
        trimBlanks(value);
        text.entries[key] = {value, lineNumber};
    }
    if (badLines > listedLineProblems) {
        text.problems.push_back(std::to_string(badLines - listedLineProblems) +
                                " more lines are not of the form key = value.");
    }
    text.readable = !in.bad();
    return text;
}

}  // namespace quillmere
