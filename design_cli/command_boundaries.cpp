#include <filesystem>

#include "design/boundaries.h"
#include "design_cli/commands.h"
#include "design_cli/report_csv.h"
#include "report/report_text.h"

namespace quillmere {

int runBoundariesCommand(const CommandContext& context) {
    const CommandLine& line = context.line;
    const std::optional<DesignSettings> design = loadDesign(line, context.err);
    if (!design) {
        return 1;
    }
    const std::string directory = optionOr(line, "out", ".");
    const std::vector<BoundaryRow> rows = computeBoundaries(
        design->eventType, design->rateBound, design->cutoffProbability, design->maxPatients);
    const std::vector<ResultFile> files = {
        {"boundaries.csv", [&](std::ostream& out) { writeBoundaryCsv(out, rows); }}};
    StagedResults staged({directory,
                          {"boundaries", designFingerprint(*design), fileNames(files)},
                          line.force,
                          {line.designFile}});
    if (!outputReady(context, staged)) {
        return 1;
    }
    if (const std::optional<int> status = finishResults(context, staged, files, directory)) {
        return *status;
    }
    writeBoundaryTable(context.out, *design, rows);
    if (!hasConsoleHazardModel(*design)) {
        context.out
            << "\nWith every outcome known no patient is imputed, so the hazard model of "
               "this design\n(HazardPriorShape, HazardRange) plays no part: quillmere stops "
               "at these boundaries too.\n";
    }
    context.out << "\nWritten: " << (std::filesystem::path(directory) / "boundaries.csv").string()
                << '\n';
    return 0;
}

}  // namespace quillmere
