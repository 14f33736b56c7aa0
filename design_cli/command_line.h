#pragma once

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quillmere {

// One option of a command: every option takes exactly one value.
struct OptionSyntax {
    std::string name;       // without the leading "--"
    std::string valueName;  // shown in the help, e.g. "DIR"
    std::string help;
};

// How a command is called. Every command takes one word first: the design
// file, unless the command names another.
struct CommandSyntax {
    std::string name;
    std::string summary;      // one line in the program's help
    std::string description;  // the command's own help, above the options
    std::vector<OptionSyntax> options;
    std::vector<std::string> requiredOptions;
    std::string argumentsName;  // further words (at least one) when not empty
    std::string argumentsHelp;
    bool takesForce = false;                // the --force flag
    std::string firstWord = "DESIGN_FILE";  // in the usage line
    std::string firstWordName = "design file";
    bool oneArgument = false;  // exactly one further word, not several
};

// A command as the user gave it: the command word, the first word, the
// value of each option given, the --force flag and the further words.
struct CommandLine {
    std::string command;
    std::string designFile;  // the first word: the design file or what the command takes
    std::map<std::string, std::string> options;
    bool force = false;
    std::vector<std::string> arguments;
};

// What the words ask for: a command line to run, or an answer already given
// on `out` or `err` (help, version, or a mistake in the words) with the exit
// status it ends with.
struct CommandRequest {
    std::optional<CommandLine> line;
    int exitStatus = 0;
};

// Reads the words after the program name. Every word must be accounted for:
// an unknown command or option, an option without its value or given twice,
// and a word no command takes are each named on `err` (status 1). Help goes
// to `out` with status 0: the program's for "--help", "-h" or "help", a
// command's for "COMMAND --help" or "COMMAND -h".
CommandRequest readCommandLine(const std::vector<std::string>& words,
                               const std::vector<CommandSyntax>& commands,
                               const std::string& version, std::ostream& out, std::ostream& err);

// A whole number within [lowest, highest], or nothing.
std::optional<int> parseWholeNumber(const std::string& text, int lowest, int highest);

// An option's value, or `fallback` when the option was not given.
std::string optionOr(const CommandLine& line, const std::string& name, const std::string& fallback);

}  // namespace quillmere
