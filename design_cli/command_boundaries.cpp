#include <filesystem>

#include "design/boundaries.h"
#include "design_cli/commands.h"
#include "design_cli/output_file.h"
#include "design_cli/report_csv.h"
#include "design_cli/report_text.h"

namespace quillmere {

int runBoundariesCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::optional<DesignSettings> design = loadDesign(line, err);
    if (!design) {
        return 1;
    }
    const std::vector<BoundaryRow> rows = computeBoundaries(
        design->eventType, design->rateBound, design->cutoffProbability, design->maxPatients);
    const std::filesystem::path directory = optionOr(line, "out", ".");
    std::filesystem::create_directories(directory);
    const std::filesystem::path csvPath = directory / "boundaries.csv";
    std::ofstream csv = openOutputFile(csvPath);
    writeBoundaryCsv(csv, rows);
    closeOutputFile(csv, csvPath);
    writeBoundaryTable(out, *design, rows);
    if (!replayableWithQuillmere(*design)) {
        out << "\nWith every outcome known no patient is imputed, so the hazard model of this "
               "design\n(HazardPriorShape, HazardRange) plays no part: quillmere stops at these "
               "boundaries too.\n";
    }
    out << "\nWritten: " << csvPath.string() << '\n';
    return 0;
}

}  // namespace quillmere
