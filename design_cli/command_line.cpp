#include "design_cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>

namespace quillmere {
namespace {

constexpr int helpStatus = 0;
constexpr int mistakeStatus = 1;

// "a, b and c"
std::string commandList(const std::vector<CommandSpec>& commands) {
    std::string list;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == commands.size() ? " and " : ", ") + commands[i].name;
    }
    return list;
}

void writeProgramHelp(std::ostream& out, const std::vector<CommandSpec>& commands,
                      const std::string& version) {
    out << "quillmere-design " << version
        << ": stopping boundaries and operating characteristics of the\n"
           "quillmere monitoring rule, computed with the same engine as quillmere.\n\n"
           "Usage: quillmere-design COMMAND DESIGN_FILE [OPTIONS]\n"
           "       quillmere-design COMMAND --help\n"
           "       quillmere-design --help | --version\n\nCommands:\n";
    for (const CommandSpec& command : commands) {
        out << "  " << command.name << std::string(12 - command.name.size(), ' ') << command.summary
            << '\n';
    }
    out << "\nScenarios, replicates and looks are counted from 1. The design file, the\n"
           "output files and the exit statuses are described in docs/design-companion.md.\n";
}

// A mistake in the words: named, with where to find the usage.
CommandRequest mistake(std::ostream& err, const std::string& message, const std::string& command) {
    err << message << "\nRun 'quillmere-design " << (command.empty() ? "" : command + " ")
        << "--help' for the usage.\n";
    return {std::nullopt, mistakeStatus};
}

// A command's help: the usage line first, then what the command does, then
// CLI11's list of the words it takes.
class CommandHelp : public CLI::Formatter {
  public:
    explicit CommandHelp(const CommandSpec& spec) {
        usage_ = "Usage: quillmere-design " + spec.name + " " + spec.firstWord +
                 (spec.argumentsName.empty() ? "" : " " + spec.argumentsName + "...") +
                 " [OPTIONS]\n\n" + spec.description + "\n";
        column_width(22);
    }
    std::string make_description(const CLI::App*) const override { return ""; }
    std::string make_usage(const CLI::App*, std::string) const override { return usage_; }

  private:
    std::string usage_;
};

// The words of one command as CLI11 reads them; what it cannot place stays
// among its remaining words.
struct CommandParser {
    explicit CommandParser(const CommandSpec& spec)
        : app(spec.description, "quillmere-design " + spec.name) {
        app.allow_extras();
        app.formatter(std::make_shared<CommandHelp>(spec));
        app.add_option(spec.firstWord, line.designFile, "the " + spec.firstWordName)->type_name("");
        if (!spec.argumentsName.empty()) {
            app.add_option(spec.argumentsName, line.arguments, spec.argumentsHelp)->type_name("");
        }
        for (const OptionSpec& option : spec.options) {
            options.emplace_back(option.name, app.add_option("--" + option.name)
                                                  ->type_name(option.valueName)
                                                  ->description(option.help)
                                                  ->take_all());
        }
        if (spec.takesForce) {
            force =
                app.add_flag("--force")->description("replace results of another kind or design");
        }
    }

    CLI::App app;
    CommandLine line;
    std::vector<std::pair<std::string, CLI::Option*>> options;
    CLI::Option* force = nullptr;
};

bool isOptionWord(const std::string& word, const CommandSpec& spec) {
    if (word == "-h" || word == "--help" || (spec.takesForce && word == "--force")) {
        return true;
    }
    return std::any_of(spec.options.begin(), spec.options.end(),
                       [&](const OptionSpec& option) { return word == "--" + option.name; });
}

// An option without its value, or the flag with one. CLI11 would report the
// first in words of its own and read "--force=no" as no flag at all.
std::optional<std::string> malformedOption(const std::vector<std::string>& words,
                                           const CommandSpec& spec) {
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (spec.takesForce && words[i].rfind("--force=", 0) == 0) {
            return std::string("The option (--force) takes no value.");
        }
        for (const OptionSpec& option : spec.options) {
            const std::string word = "--" + option.name;
            const bool last = i + 1 == words.size();
            if ((words[i] == word && (last || isOptionWord(words[i + 1], spec))) ||
                words[i] == word + "=") {
                return "The option (" + word + ") needs a value.";
            }
        }
    }
    return std::nullopt;
}

// What CLI11 accepted but the command does not: further words, an option
// given twice, a design file or a required option missing.
std::optional<std::string> unaccountedWord(const CommandParser& parser, const CommandSpec& spec) {
    const std::vector<std::string> extra = parser.app.remaining();
    if (!extra.empty()) {
        const std::string& word = extra.front();
        if (word.size() > 1 && word[0] == '-') {
            return "Unknown option for " + spec.name + " (" + word + ").";
        }
        return "Unexpected word for " + spec.name + " (" + word + "): " + spec.name +
               " takes the " + spec.firstWordName + " and options only.";
    }
    for (const auto& [name, option] : parser.options) {
        if (option->count() > 1) {
            return "The option (--" + name + ") is given more than once.";
        }
    }
    if (parser.line.designFile.empty()) {
        return "The " + spec.name + " command needs a " + spec.firstWordName + ".";
    }
    for (const std::string& name : spec.requiredOptions) {
        if (parser.line.options.count(name) == 0) {
            return "The " + spec.name + " command needs the option --" + name + ".";
        }
    }
    if (!spec.argumentsName.empty() && parser.line.arguments.empty()) {
        return "The " + spec.name + " command needs at least one " + spec.argumentsName + ".";
    }
    return std::nullopt;
}

CommandRequest readCommand(const std::vector<std::string>& words, const CommandSpec& spec,
                           std::ostream& out, std::ostream& err) {
    if (const std::optional<std::string> problem = malformedOption(words, spec)) {
        return mistake(err, *problem, spec.name);
    }
    CommandParser parser(spec);
    std::vector<std::string> reversed(words.rbegin(), words.rend() - 1);
    try {
        parser.app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << parser.app.help();
        return {std::nullopt, helpStatus};
    } catch (const CLI::ParseError& failure) {
        return mistake(err, failure.what(), spec.name);
    }
    parser.line.command = spec.name;
    for (const auto& [name, option] : parser.options) {
        if (option->count() > 0) {
            parser.line.options[name] = option->results().front();
        }
    }
    parser.line.force = parser.force != nullptr && parser.force->count() > 0;
    if (const std::optional<std::string> problem = unaccountedWord(parser, spec)) {
        return mistake(err, *problem, spec.name);
    }
    return {std::move(parser.line), 0};
}

}  // namespace

CommandRequest readCommandLine(const std::vector<std::string>& words,
                               const std::vector<CommandSpec>& commands, const std::string& version,
                               std::ostream& out, std::ostream& err) {
    if (words.empty()) {
        return mistake(err, "A command is needed: " + commandList(commands) + ".", "");
    }
    const std::string& first = words[0];
    if (first == "--help" || first == "-h" || first == "help") {
        writeProgramHelp(out, commands, version);
        return {std::nullopt, helpStatus};
    }
    if (first == "--version") {
        out << "quillmere-design " << version << '\n';
        return {std::nullopt, helpStatus};
    }
    const auto spec =
        std::find_if(commands.begin(), commands.end(),
                     [&](const CommandSpec& command) { return command.name == first; });
    if (spec != commands.end()) {
        return readCommand(words, *spec, out, err);
    }
    if (first.size() > 1 && first[0] == '-') {
        return mistake(err, "Unknown option (" + first + ").", "");
    }
    return mistake(
        err, "Unknown command (" + first + "). The commands are " + commandList(commands) + ".",
        "");
}

std::optional<int> parseWholeNumber(const std::string& text, int lowest, int highest) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value < lowest || value > highest) {
        return std::nullopt;
    }
    return value;
}

std::string optionOr(const CommandLine& line, const std::string& name,
                     const std::string& fallback) {
    const auto found = line.options.find(name);
    return found == line.options.end() ? fallback : found->second;
}

}  // namespace quillmere
