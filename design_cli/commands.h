#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "design/design_settings.h"
#include "design/simulation_runner.h"
#include "design_cli/command_line.h"
#include "design_cli/output_file.h"
#include "design_cli/staged_results.h"

namespace quillmere {

// Runs the design tool on its arguments (without the program name); results
// go to `out`, messages and progress to `err`. A long run ends early, leaving
// its output directory as it was, once `stop` holds a signal number; the exit
// status is then 128 plus that number. Returns the exit status.
int runDesignTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err,
                  const StopRequest& stop);
int runDesignTool(const std::vector<std::string>& words, std::ostream& out, std::ostream& err);

// What a command is given to run.
struct CommandContext {
    const CommandLine& line;
    std::ostream& out;
    std::ostream& err;
    const StopRequest& stop;
};

int runBoundariesCommand(const CommandContext& context);
int runSimulateCommand(const CommandContext& context);
int runMergeCommand(const CommandContext& context);
int runDumpCommand(const CommandContext& context);
int runUnitsCommand(const CommandContext& context);
int runStabilityCommand(const CommandContext& context);
int runCalibrateCommand(const CommandContext& context);
int runReportCommand(const CommandContext& context);
int runCompareCommand(const CommandContext& context);
int runInterimCommand(const CommandContext& context);

// Merges look files of calibration shards into the calibration's results.
int mergeCalibrationShards(const CommandContext& context, const DesignSettings& design,
                           const std::vector<std::string>& files);

// Helpers the commands share; each reports its problem on `err`.
std::optional<DesignSettings> loadDesign(const CommandLine& line, std::ostream& err);
std::optional<int> threadsOption(const CommandLine& line, std::ostream& err);
// "A-B", replicates counted from 1, into a range counted from 0.
std::optional<ReplicateRange> replicatesOption(const CommandLine& line, int trials,
                                               std::ostream& err);

// The options of the commands that analyse a trial directory.
std::optional<int> answerOption(const CommandLine& line, std::ostream& err);
std::optional<int> runsOption(const CommandLine& line, std::ostream& err);
std::optional<std::uint64_t> seedOption(const CommandLine& line, std::ostream& err);

// Shows a failure of the analysis as the console program would, on the
// stream it would use; returns its exit status.
int reportAnalysisError(const CommandContext& context, const AnalysisError& error);

// The output directory of a command, checked before any work is done: false,
// with the problem reported, when it cannot take the results.
bool outputReady(const CommandContext& context, const StagedResults& staged);

// Writes the files and moves them into `directory`, unless a stop was asked
// for. Nothing when they are in place, else the exit status to end with.
std::optional<int> finishResults(const CommandContext& context, StagedResults& staged,
                                 const std::vector<ResultFile>& files,
                                 const std::string& directory);

// The exit status and message of a run stopped before its results were
// moved into `directory`.
int reportStopped(const CommandContext& context, const std::string& directory);

}  // namespace quillmere
