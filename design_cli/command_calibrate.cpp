#include <filesystem>

#include "design/calibration.h"
#include "design/look_file.h"
#include "design/text_format.h"
#include "design_cli/calibration_files.h"
#include "design_cli/commands.h"
#include "design_cli/progress_meter.h"

namespace quillmere {
namespace {

bool hasCalibrationKeys(const DesignSettings& design, std::ostream& err) {
    if (design.calibrationRate && design.maxErrorStop) {
        return true;
    }
    err << "The calibrate command needs the keys CalibrationRate and MaxErrorStop in the design "
           "file.\n";
    return false;
}

}  // namespace

int finishCalibration(const CommandContext& context, StagedResults& staged,
                      const DesignSettings& design, const CalibrationLooks& looks,
                      const std::string& directory) {
    const CalibrationResult result = calibrate(design, looks);
    if (const std::optional<int> status = finishResults(
            context, staged, calibrationResultFiles(design, looks, result), directory)) {
        return *status;
    }
    writeCalibrationText(context.out, design, result);
    context.out << "\nWritten into " << directory
                << ": calibration_looks.csv, calibration.csv, calibration.svg\n";
    return 0;
}

int runCalibrateCommand(const CommandContext& context) {
    const CommandLine& line = context.line;
    const std::optional<DesignSettings> design = loadDesign(line, context.err);
    if (!design || !hasCalibrationKeys(*design, context.err)) {
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
        whole ? calibrationResultSet(*design)
              : ResultSet{formatted("calibration shard %d-%d", range->first + 1, range->last + 1),
                          designFingerprint(*design),
                          {"calibration_looks.csv"}};
    StagedResults staged({directory, results, line.force, {line.designFile}});
    if (!outputReady(context, staged)) {
        return 1;
    }
    ProgressMeter progress(context.err, "calibrate");
    const std::optional<CalibrationLooks> looks =
        runCalibrationSimulation(*design, *range, *threads, std::ref(progress), &context.stop);
    if (!looks) {
        return reportStopped(context, directory);
    }
    if (whole) {
        return finishCalibration(context, staged, *design, *looks, directory);
    }
    const std::vector<ResultFile> shard = {{"calibration_looks.csv", [&](std::ostream& out) {
                                                writeLookFile(out, *design, *looks, *range);
                                            }}};
    if (const std::optional<int> status = finishResults(context, staged, shard, directory)) {
        return *status;
    }
    context.out << "Replicates " << range->first + 1 << "-" << range->last + 1 << " of "
                << design->trials << " written to "
                << (std::filesystem::path(directory) / "calibration_looks.csv").string()
                << "; combine the shards with the merge command.\n";
    return 0;
}

int mergeCalibrationShards(const CommandContext& context, const DesignSettings& design,
                           const std::vector<std::string>& files) {
    if (!hasCalibrationKeys(design, context.err)) {
        return 1;
    }
    std::vector<std::filesystem::path> inputs = {context.line.designFile};
    inputs.insert(inputs.end(), files.begin(), files.end());
    const std::string directory = context.line.options.at("out");
    StagedResults staged({directory, calibrationResultSet(design), context.line.force, inputs});
    if (!outputReady(context, staged)) {
        return 1;
    }
    const std::optional<CalibrationLooks> looks = mergeLookFiles(files, design, context.err);
    if (!looks) {
        return 1;
    }
    const int status = finishCalibration(context, staged, design, *looks, directory);
    if (status == 0) {
        context.out << "\nMerged " << files.size() << " shard(s) into " << directory << '\n';
    }
    return status;
}

}  // namespace quillmere
