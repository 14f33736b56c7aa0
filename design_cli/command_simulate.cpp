#include <filesystem>

#include "design_cli/commands.h"
#include "design_cli/output_file.h"
#include "design_cli/progress_meter.h"
#include "design/replicate_file.h"
#include "design_cli/simulation_report.h"

namespace quillmere {

int runSimulateCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::optional<DesignSettings> design = loadDesign(line, err);
    if (!design) {
        return 1;
    }
    const std::optional<int> threads = threadsOption(line, err);
    const std::optional<ReplicateRange> range = replicatesOption(line, design->trials, err);
    if (!threads || !range) {
        return 1;
    }
    const std::filesystem::path directory = optionOr(line, "out", ".");
    ProgressMeter progress(err, "simulate");
    const ScenarioOutcomes outcomes =
        runSimulation(SimulationPlan{*design, 1.0}, *range, *threads, std::ref(progress));
    if (range->size() == design->trials) {
        writeSimulationReport(*design, outcomes, directory, out);
        out << "\nWritten into " << directory.string()
            << ": replicates.csv, operating_characteristics.csv, stopping_by_look.csv, "
               "operating_characteristics.svg\n";
        return 0;
    }
    // A shard: only its replicates, to be merged with the others.
    std::filesystem::create_directories(directory);
    const std::filesystem::path shardPath = directory / "replicates.csv";
    std::ofstream shard = openOutputFile(shardPath);
    writeReplicateFile(shard, *design, outcomes, *range);
    closeOutputFile(shard, shardPath);
    out << "Replicates " << range->first + 1 << "-" << range->last + 1 << " of " << design->trials
        << " written to " << shardPath.string() << "; combine the shards with the merge command.\n";
    return 0;
}

int runMergeCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::optional<DesignSettings> design = loadDesign(line, err);
    if (!design) {
        return 1;
    }
    if (line.arguments.empty() || line.options.count("out") == 0) {
        err << "merge needs --out DIR and at least one shard directory.\n";
        return 1;
    }
    std::vector<std::string> files;
    for (const std::string& shard : line.arguments) {
        const bool isDirectory = std::filesystem::is_directory(shard);
        files.push_back(isDirectory ? (std::filesystem::path(shard) / "replicates.csv").string()
                                    : shard);
    }
    const std::optional<ScenarioOutcomes> outcomes = mergeReplicateFiles(files, *design, err);
    if (!outcomes) {
        return 1;
    }
    const std::filesystem::path directory = line.options.at("out");
    writeSimulationReport(*design, *outcomes, directory, out);
    out << "\nMerged " << files.size() << " shard(s) into " << directory.string() << '\n';
    return 0;
}

}  // namespace quillmere
