#include "design_cli/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>

namespace quillmere {
namespace {

constexpr int helpStatus = 0;
constexpr int mistakeStatus = 1;

// "a, b and c"
std::string commandList(const std::vector<CommandSyntax>& commands) {
    std::string list;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        list += (i == 0 ? "" : i + 1 == commands.size() ? " and " : ", ") + commands[i].name;
    }
    return list;
}

void writeProgramHelp(std::ostream& out, const std::vector<CommandSyntax>& commands,
                      const std::string& version) {
    out << "quillmere-design " << version
        << ": stopping boundaries and operating characteristics of the\n"
           "quillmere monitoring rule, computed with the same engine as quillmere.\n\n"
           "Usage: quillmere-design COMMAND DESIGN_FILE [OPTIONS]\n"
           "       quillmere-design COMMAND --help\n"
           "       quillmere-design --help | --version\n\nCommands:\n";
    for (const CommandSyntax& command : commands) {
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
    explicit CommandHelp(const CommandSyntax& syntax) {
        usage_ = "Usage: quillmere-design " + syntax.name + " " + syntax.firstWord +
                 (syntax.argumentsName.empty() ? ""
                  : syntax.oneArgument         ? " " + syntax.argumentsName
                                               : " " + syntax.argumentsName + "...") +
                 " [OPTIONS]\n\n" + syntax.description + "\n";
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
    explicit CommandParser(const CommandSyntax& syntax)
        : app(syntax.description, "quillmere-design " + syntax.name) {
        app.allow_extras();
        // On Windows CLI11 would take any word beginning with '/' (an
        // absolute path elsewhere) for an option of the /name form.
        app.allow_windows_style_options(false);
        app.formatter(std::make_shared<CommandHelp>(syntax));
        app.add_option(syntax.firstWord, line.designFile, "the " + syntax.firstWordName)
            ->type_name("");
        if (!syntax.argumentsName.empty()) {
            app.add_option(syntax.argumentsName, line.arguments, syntax.argumentsHelp)
                ->type_name("");
        }
        for (const OptionSyntax& option : syntax.options) {
            options.emplace_back(option.name, app.add_option("--" + option.name)
                                                  ->type_name(option.valueName)
                                                  ->description(option.help)
                                                  ->take_all());
        }
        if (syntax.takesForce) {
            force =
                app.add_flag("--force")->description("replace results of another kind or design");
        }
    }

    CLI::App app;
    CommandLine line;
    std::vector<std::pair<std::string, CLI::Option*>> options;
    CLI::Option* force = nullptr;
};

bool isOptionWord(const std::string& word, const CommandSyntax& syntax) {
    if (word == "-h" || word == "--help" || (syntax.takesForce && word == "--force")) {
        return true;
    }
    return std::any_of(syntax.options.begin(), syntax.options.end(),
                       [&](const OptionSyntax& option) { return word == "--" + option.name; });
}

// An option without its value, or the flag with one. CLI11 would report the
// first in words of its own and read "--force=no" as no flag at all.
std::optional<std::string> malformedOption(const std::vector<std::string>& words,
                                           const CommandSyntax& syntax) {
    for (std::size_t i = 1; i < words.size(); ++i) {
        if (syntax.takesForce && words[i].rfind("--force=", 0) == 0) {
            return std::string("The option (--force) takes no value.");
        }
        for (const OptionSyntax& option : syntax.options) {
            const std::string word = "--" + option.name;
            const bool last = i + 1 == words.size();
            const bool noValue = last || words[i + 1].empty() || isOptionWord(words[i + 1], syntax);
            if ((words[i] == word && noValue) || words[i] == word + "=") {
                return "The option (" + word + ") needs a value.";
            }
        }
    }
    return std::nullopt;
}

// What CLI11 accepted but the command does not: further words, an option
// given twice, a design file or a required option missing.
std::optional<std::string> unaccountedWord(const CommandParser& parser,
                                           const CommandSyntax& syntax) {
    const std::vector<std::string> extra = parser.app.remaining();
    if (!extra.empty()) {
        const std::string& word = extra.front();
        if (word.size() > 1 && word[0] == '-') {
            return "Unknown option for " + syntax.name + " (" + word + ").";
        }
        return "Unexpected word for " + syntax.name + " (" + word + "): " + syntax.name +
               " takes the " + syntax.firstWordName + " and options only.";
    }
    for (const auto& [name, option] : parser.options) {
        if (option->count() > 1) {
            return "The option (--" + name + ") is given more than once.";
        }
    }
    if (parser.line.designFile.empty()) {
        return "The " + syntax.name + " command needs a " + syntax.firstWordName + ".";
    }
    for (const std::string& name : syntax.requiredOptions) {
        if (parser.line.options.count(name) == 0) {
            return "The " + syntax.name + " command needs the option --" + name + ".";
        }
    }
    const std::vector<std::string>& arguments = parser.line.arguments;
    if (!syntax.argumentsName.empty() && arguments.empty()) {
        return "The " + syntax.name + " command needs " +
               (syntax.oneArgument ? "one " : "at least one ") + syntax.argumentsName + ".";
    }
    if (syntax.oneArgument && arguments.size() > 1) {
        return "Unexpected word for " + syntax.name + " (" + arguments[1] + "): " + syntax.name +
               " takes one " + syntax.argumentsName + ".";
    }
    return std::nullopt;
}

CommandRequest readCommand(const std::vector<std::string>& words, const CommandSyntax& syntax,
                           std::ostream& out, std::ostream& err) {
    if (const std::optional<std::string> problem = malformedOption(words, syntax)) {
        return mistake(err, *problem, syntax.name);
    }
    CommandParser parser(syntax);
    std::vector<std::string> reversed(words.rbegin(), words.rend() - 1);
    try {
        parser.app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        out << parser.app.help();
        return {std::nullopt, helpStatus};
    } catch (const CLI::ParseError& failure) {
        return mistake(err, failure.what(), syntax.name);
    }
    parser.line.command = syntax.name;
    for (const auto& [name, option] : parser.options) {
        if (option->count() > 0) {
            parser.line.options[name] = option->results().front();
        }
    }
    parser.line.force = parser.force != nullptr && parser.force->count() > 0;
    if (const std::optional<std::string> problem = unaccountedWord(parser, syntax)) {
        return mistake(err, *problem, syntax.name);
    }
    return {std::move(parser.line), 0};
}

}  // namespace

CommandRequest readCommandLine(const std::vector<std::string>& words,
                               const std::vector<CommandSyntax>& commands,
                               const std::string& version, std::ostream& out, std::ostream& err) {
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
    const auto syntax =
        std::find_if(commands.begin(), commands.end(),
                     [&](const CommandSyntax& command) { return command.name == first; });
    if (syntax != commands.end()) {
        return readCommand(words, *syntax, out, err);
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
