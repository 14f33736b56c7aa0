#include <filesystem>
#include <fstream>
#include <sstream>

#include "design/look_file.h"
#include "design/replicate_file.h"
#include "design_cli/commands.h"
#include "design_cli/simulation_report.h"
#include "report/design_report.h"

#ifndef QUILLMERE_VERSION
#define QUILLMERE_VERSION "unknown"
#endif

namespace quillmere {
namespace {

std::string wholeFile(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The calibration in DIR, when calibrate was run there: nothing when it was
// not, and an error (reported) when its look file does not fit the design.
bool readCalibration(const CommandContext& context, const DesignSettings& design,
                     const std::filesystem::path& looksFile,
                     std::optional<CalibrationResult>& calibration) {
    if (!std::filesystem::exists(looksFile)) {
        return true;
    }
    const std::optional<CalibrationLooks> looks =
        mergeLookFiles({looksFile.string()}, design, context.err);
    if (!looks) {
        return false;
    }
    calibration = calibrate(design, *looks);
    return true;
}

}  // namespace

int runReportCommand(const CommandContext& context) {
    const CommandLine& line = context.line;
    const std::optional<DesignSettings> design = loadDesign(line, context.err);
    if (!design) {
        return 1;
    }
    const std::filesystem::path from = line.options.at("from");
    const std::filesystem::path replicates = from / "replicates.csv";
    if (!std::filesystem::exists(replicates)) {
        context.err << "The report needs the results of simulate in (" << from.string()
                    << "): replicates.csv is missing. Run: quillmere-design simulate "
                    << line.designFile << " --out " << from.string() << '\n';
        return 1;
    }
    const std::filesystem::path target = optionOr(line, "out", "report.html");
    const std::filesystem::path directory =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    const std::filesystem::path looksFile = from / "calibration_looks.csv";
    StagedResults staged({directory,
                          {"report", designFingerprint(*design), {target.filename().string()}},
                          line.force,
                          {line.designFile, replicates, looksFile}});
    if (!outputReady(context, staged)) {
        return 1;
    }
    const std::optional<ScenarioOutcomes> outcomes =
        mergeReplicateFiles({replicates.string()}, *design, context.err);
    std::optional<CalibrationResult> calibration;
    if (!outcomes || !readCalibration(context, *design, looksFile, calibration)) {
        return 1;
    }
    const DesignReportContent content{
        *design,
        wholeFile(line.designFile),
        line.designFile,
        from.string(),
        QUILLMERE_VERSION,
        computeBoundaries(design->eventType, design->rateBound, design->cutoffProbability,
                          design->maxPatients),
        summariseOutcomes(*design, *outcomes),
        summariseLateOutcomes(*design, *outcomes),
        calibration};
    const std::vector<ResultFile> files = {
        {target.filename().string(), [&](std::ostream& out) { writeDesignReport(out, content); }}};
    if (const std::optional<int> status =
            finishResults(context, staged, files, directory.string())) {
        return *status;
    }
    context.out << "Written: " << target.string() << '\n';
    return 0;
}

}  // namespace quillmere
