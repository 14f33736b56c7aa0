#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillmere {

// A command of the design tool: the command word, the design file, the
// --name value options and any further plain arguments.
struct CommandLine {
    std::string command;
    std::string designFile;
    std::map<std::string, std::string> options;
    std::vector<std::string> arguments;
};

// Splits the arguments after the program name. Every option takes a value and
// must be one of `allowed`; on a problem returns nothing and sets `error`.
std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& words,
                                            const std::set<std::string>& allowed,
                                            std::string& error);

// A whole number within [lowest, highest], or nothing.
std::optional<int> parseWholeNumber(const std::string& text, int lowest, int highest);

// An option's value, or `fallback` when the option was not given.
std::string optionOr(const CommandLine& line, const std::string& name, const std::string& fallback);

}  // namespace quillmere
