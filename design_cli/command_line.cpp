#include "design_cli/command_line.h"

#include <charconv>

namespace quillmere {

std::optional<CommandLine> parseCommandLine(const std::vector<std::string>& words,
                                            const std::set<std::string>& allowed,
                                            std::string& error) {
    if (words.size() < 2) {
        error = "A command and a design file are needed.";
        return std::nullopt;
    }
    CommandLine line{words[0], words[1], {}, {}};
    for (std::size_t i = 2; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.rfind("--", 0) != 0) {
            line.arguments.push_back(word);
            continue;
        }
        const std::string name = word.substr(2);
        if (allowed.count(name) == 0) {
            error = "Unknown option for " + line.command + " (" + word + ").";
            return std::nullopt;
        }
        if (i + 1 >= words.size()) {
            error = "The option (" + word + ") needs a value.";
            return std::nullopt;
        }
        line.options[name] = words[++i];
    }
    return line;
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
