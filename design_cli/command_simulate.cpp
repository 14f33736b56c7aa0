#include <algorithm>
#include <filesystem>

#include "design/replicate_file.h"
#include "design/text_format.h"
#include "design_cli/commands.h"
#include "design_cli/progress_meter.h"
#include "design_cli/simulation_report.h"

namespace quillmere {
namespace {

// The files of a whole simulation into the staged directory, then the tables.
int finishWholeSimulation(const CommandContext& context, StagedResults& staged,
                          const DesignSettings& design, const ScenarioOutcomes& outcomes,
                          const std::string& directory) {
    const SimulationSummaries summaries = summariseSimulation(design, outcomes);
    const std::vector<ResultFile> files = simulationResultFiles(design, outcomes, summaries);
    if (const std::optional<int> status = finishResults(context, staged, files, directory)) {
        return *status;
    }
    writeSimulationTables(context.out, design, summaries);
    return 0;
}

std::vector<ResultFile> shardFiles(const DesignSettings& design, const ScenarioOutcomes& outcomes,
                                   ReplicateRange range) {
    return {{"replicates.csv", [&design, &outcomes, range](std::ostream& out) {
                 writeReplicateFile(out, design, outcomes, range);
             }}};
}

// A shard of a calibration: its look file, or a directory holding one and no
// replicate file.
bool isLookShard(const std::string& shard) {
    const std::filesystem::path path(shard);
    if (std::filesystem::is_directory(path)) {
        return std::filesystem::exists(path / "calibration_looks.csv") &&
               !std::filesystem::exists(path / "replicates.csv");
    }
    return path.filename() == "calibration_looks.csv";
}

}  // namespace

int runSimulateCommand(const CommandContext& context) {
    const CommandLine& line = context.line;
    const std::optional<DesignSettings> design = loadDesign(line, context.err);
    if (!design) {
        return 1;
    }
    const std::optional<int> threads = threadsOption(line, context.err);
    const std::optional<ReplicateRange> range = replicatesOption(line, design->trials, context.err);
    if (!threads || !range) {
        return 1;
    }
    const bool whole = range->size() == design->trials;
    const std::string directory = optionOr(line, "out", ".");
    const ResultSet results =
        whole ? simulationResultSet(*design)
              : ResultSet{formatted("shard %d-%d", range->first + 1, range->last + 1),
                          designFingerprint(*design),
                          {"replicates.csv"}};
    StagedResults staged({directory, results, line.force, {line.designFile}});
    if (!outputReady(context, staged)) {
        return 1;
    }
    ProgressMeter progress(context.err, "simulate");
    const std::optional<ScenarioOutcomes> outcomes = runSimulation(
        SimulationPlan{*design, 1.0}, *range, *threads, std::ref(progress), &context.stop);
    if (!outcomes) {
        return reportStopped(context, directory);
    }
    if (whole) {
        const int status = finishWholeSimulation(context, staged, *design, *outcomes, directory);
        if (status == 0) {
            context.out << "\nWritten into " << directory << ": " << simulationFileList(*design)
                        << '\n';
        }
        return status;
    }
    // A shard: only its replicates, to be merged with the others.
    if (const std::optional<int> status =
            finishResults(context, staged, shardFiles(*design, *outcomes, *range), directory)) {
        return *status;
    }
    context.out << "Replicates " << range->first + 1 << "-" << range->last + 1 << " of "
                << design->trials << " written to "
                << (std::filesystem::path(directory) / "replicates.csv").string()
                << "; combine the shards with the merge command.\n";
    return 0;
}

int runMergeCommand(const CommandContext& context) {
    const CommandLine& line = context.line;
    const std::optional<DesignSettings> design = loadDesign(line, context.err);
    if (!design) {
        return 1;
    }
    // Shards of a calibration hold look files instead of replicate files.
    const bool looks = std::all_of(line.arguments.begin(), line.arguments.end(), isLookShard);
    std::vector<std::filesystem::path> inputs = {line.designFile};
    std::vector<std::string> files;
    for (const std::string& shard : line.arguments) {
        const bool isDirectory = std::filesystem::is_directory(shard);
        const char* name = looks ? "calibration_looks.csv" : "replicates.csv";
        files.push_back(isDirectory ? (std::filesystem::path(shard) / name).string() : shard);
        inputs.push_back(files.back());
    }
    if (looks) {
        return mergeCalibrationShards(context, *design, files);
    }
    const std::string directory = line.options.at("out");
    StagedResults staged({directory, simulationResultSet(*design), line.force, inputs});
    if (!outputReady(context, staged)) {
        return 1;
    }
    const std::optional<ScenarioOutcomes> outcomes =
        mergeReplicateFiles(files, *design, context.err);
    if (!outcomes) {
        return 1;
    }
    const int status = finishWholeSimulation(context, staged, *design, *outcomes, directory);
    if (status == 0) {
        context.out << "\nMerged " << files.size() << " shard(s) into " << directory << '\n';
    }
    return status;
}

}  // namespace quillmere
