#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>

namespace quillmere {

// The event-type answer, 1, 2 or 3: the first character of the first argument
// when there is one, otherwise read from standard input; asked again while it
// is anything else. Empty when the input ends before a valid answer (the
// message has been printed).
std::optional<int> obtainEventTypeAnswer(int argc, const char* const* argv, std::istream& in,
                                         std::ostream& out);

// Echoes the choice; returns the name of the configuration file to read.
std::string confirmChoice(int answer, std::ostream& out);

}  // namespace quillmere
