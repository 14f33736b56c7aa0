#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "design/design_settings.h"

namespace quillmere::testing {

// A fresh, empty directory under the system's temporary directory.
std::filesystem::path freshDirectory(const std::string& name);

void writeText(const std::filesystem::path& path, const std::string& text);
std::string readText(const std::filesystem::path& path);

// The checksum sha256sum prints for a file.
std::string sha256sumOf(const std::filesystem::path& file);

// A small design that simulates quickly: 12 patients, looks after 4, 6, 8
// and 10 once 3 outcomes are known, window 30 days, rates on both sides of
// the bound.
DesignSettings smallDesign(EventType eventType);

// The design as a design file's text (the hazard model's keys and the method
// only when they are not quillmere's own).
std::string designFileText(const DesignSettings& design);

// Writes the design as trial.design into a fresh directory of that name;
// returns the file's path.
std::string writeDesignFile(const DesignSettings& design, const std::string& name);

// Runs the design tool in-process; returns its exit status.
struct ToolRun {
    int status = 0;
    std::string out;
    std::string err;
};
ToolRun runTool(const std::vector<std::string>& words);

// Runs the built quillmere in `directory` with the event-type answer as first
// argument and standard input from /dev/null, and picks out of summary.txt
// the result line and the decision sentence.
struct ConsoleRun {
    int status = -1;
    std::string resultLine;
    std::string decisionLine;
};
ConsoleRun runQuillmere(const std::filesystem::path& directory, char answer);

// The decision sentence quillmere writes for a decision at a cut-off.
std::string expectedDecisionLine(bool terminate, double cutoffProbability);

// All regular files of a directory, by name, with their contents.
std::vector<std::pair<std::string, std::string>> directoryFiles(
    const std::filesystem::path& directory);

}  // namespace quillmere::testing
