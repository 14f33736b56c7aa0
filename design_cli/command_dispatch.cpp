#include <map>
#include <thread>

#include "design_cli/commands.h"

namespace quillmere {
namespace {

struct CommandEntry {
    int (*run)(const CommandLine&, std::ostream&, std::ostream&);
    std::set<std::string> options;
};

const std::map<std::string, CommandEntry>& commandTable() {
    static const std::map<std::string, CommandEntry> table = {
        {"boundaries", {runBoundariesCommand, {"out"}}},
        {"simulate", {runSimulateCommand, {"threads", "out", "replicates"}}},
        {"merge", {runMergeCommand, {"out"}}},
        {"dump", {runDumpCommand, {"scenario", "replicate", "look", "to", "unit"}}},
        {"units", {runUnitsCommand, {"units", "threads", "trials", "out", "same-looks"}}},
        {"compare", {runCompareCommand, {"threads", "trials", "out"}}},
    };
    return table;
}

void writeUsage(std::ostream& err) {
    err << "Usage:\n"
           "  quillmere-design boundaries FILE [--out DIR]\n"
           "  quillmere-design simulate FILE [--threads T] [--out DIR] [--replicates A-B]\n"
           "  quillmere-design merge FILE --out DIR SHARD_DIR...\n"
           "  quillmere-design dump FILE --scenario S --replicate R --look L --to DIR "
           "[--unit U]\n"
           "  quillmere-design units FILE [--units hours,days,weeks,months] [--threads T]\n"
           "                         [--trials T] [--same-looks N] [--out DIR]\n"
           "  quillmere-design compare FILE OTHER_FILE [--threads T] [--trials T] [--out DIR]\n"
           "Scenarios, replicates and looks are counted from 1; DIR defaults to the current "
           "directory.\n";
}

}  // namespace

std::optional<DesignSettings> loadDesign(const CommandLine& line, std::ostream& err) {
    std::optional<DesignSettings> design = readDesignFile(line.designFile, err);
    if (!design) {
        err << '\n';
    }
    return design;
}

std::optional<int> threadsOption(const CommandLine& line, std::ostream& err) {
    const unsigned cores = std::thread::hardware_concurrency();
    const std::string text = optionOr(line, "threads", std::to_string(cores > 0 ? cores : 1));
    const std::optional<int> threads = parseWholeNumber(text, 1, 256);
    if (!threads) {
        err << "The number of threads (" << text << ") must be a whole number from 1 to 256.\n";
    }
    return threads;
}

std::optional<ReplicateRange> replicatesOption(const CommandLine& line, int trials,
                                               std::ostream& err) {
    const std::string text = optionOr(line, "replicates", "1-" + std::to_string(trials));
    const std::size_t dash = text.find('-');
    const std::optional<int> first = dash == std::string::npos
                                         ? std::nullopt
                                         : parseWholeNumber(text.substr(0, dash), 1, trials);
    const std::optional<int> last = dash == std::string::npos
                                        ? std::nullopt
                                        : parseWholeNumber(text.substr(dash + 1), 1, trials);
    if (!first || !last || *first > *last) {
        err << "The replicate range (" << text << ") must be A-B with 1 <= A <= B <= " << trials
            << ".\n";
        return std::nullopt;
    }
    return ReplicateRange{*first - 1, *last - 1};
}

int runDesignTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err) {
    const auto entry = words.empty() ? commandTable().end() : commandTable().find(words[0]);
    if (entry == commandTable().end()) {
        writeUsage(err);
        return words.size() == 1 && (words[0] == "help" || words[0] == "--help") ? 0 : 1;
    }
    std::string error;
    const std::optional<CommandLine> line = parseCommandLine(words, entry->second.options, error);
    if (!line) {
        err << error << '\n';
        writeUsage(err);
        return 1;
    }
    try {
        return entry->second.run(*line, out, err);
    } catch (const std::exception& failure) {
        err << failure.what() << '\n';
        return 1;
    }
}

}  // namespace quillmere
