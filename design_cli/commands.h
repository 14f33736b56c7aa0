#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "design/design_settings.h"
#include "design/simulation_runner.h"
#include "design_cli/command_line.h"

namespace quillmere {

// Runs the design tool on its arguments (without the program name); results
// go to `out`, messages and progress to `err`. Returns the exit status.
int runDesignTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// The commands, each given its parsed command line.
int runBoundariesCommand(const CommandLine& line, std::ostream& out, std::ostream& err);
int runSimulateCommand(const CommandLine& line, std::ostream& out, std::ostream& err);
int runMergeCommand(const CommandLine& line, std::ostream& out, std::ostream& err);
int runDumpCommand(const CommandLine& line, std::ostream& out, std::ostream& err);
int runUnitsCommand(const CommandLine& line, std::ostream& out, std::ostream& err);
int runCompareCommand(const CommandLine& line, std::ostream& out, std::ostream& err);

// Helpers the commands share; each reports its problem on `err`.
std::optional<DesignSettings> loadDesign(const CommandLine& line, std::ostream& err);
std::optional<int> threadsOption(const CommandLine& line, std::ostream& err);
// "A-B", replicates counted from 1, into a range counted from 0.
std::optional<ReplicateRange> replicatesOption(const CommandLine& line, int trials,
                                               std::ostream& err);

}  // namespace quillmere
