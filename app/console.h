#pragma once

#include <ostream>

namespace quillmere {

// A line end on the console and in the report: a newline, then a flush, so
// that everything written so far survives whatever ends the run next.
inline std::ostream& lineEnd(std::ostream& stream) {
    return stream << std::endl;
}

}  // namespace quillmere
