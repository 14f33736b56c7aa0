#pragma once

#include <ostream>
#include <string>

namespace quillmere {

// The banner and the event-type question, 17 lines.
void printBanner(std::ostream& out);

// "//", the text centred in spaces, "//": 74 characters in all.
std::string framedLine(const std::string& text);

}  // namespace quillmere
