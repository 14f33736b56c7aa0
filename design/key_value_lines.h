#pragma once

#include <istream>
#include <map>
#include <string>
#include <vector>

namespace quillmere {

// One value of a key = value file and the line it stands on (from 1).
struct KeyValueEntry {
    std::string value;
    int line = 0;
};

// A key = value file read strictly: blanks and tabs around keys and values
// are ignored, '#' starts a comment, blank lines are skipped, a key given
// twice keeps its last value, CR LF line ends and a UTF-8 byte-order mark
// at the start are accepted, and the last line needs no line end. Any other
// line is a problem, named by its number.
struct KeyValueText {
    std::map<std::string, KeyValueEntry> entries;
    std::vector<std::string> problems;
    bool readable = true;  // false when reading the stream failed
};

KeyValueText readKeyValueLines(std::istream& in);

}  // namespace quillmere
