#include "design_cli/simulation_report.h"

#include "design/look_schedule.h"
#include "design/replicate_file.h"
#include "design/report_svg.h"
#include "design/report_text.h"
#include "design_cli/report_csv.h"

namespace quillmere {

std::vector<ResultFile> simulationResultFiles(const DesignSettings& design,
                                              const ScenarioOutcomes& outcomes,
                                              const std::vector<ScenarioSummary>& summaries) {
    return {
        {"replicates.csv",
         [&](std::ostream& out) {
             writeReplicateFile(out, design, outcomes, {0, design.trials - 1});
         }},
        {"operating_characteristics.csv",
         [&](std::ostream& out) { writeOperatingCsv(out, summaries); }},
        {"stopping_by_look.csv",
         [&](std::ostream& out) { writeStopByLookCsv(out, design, summaries); }},
        {"operating_characteristics.svg",
         [&](std::ostream& out) { writeOperatingPlot(out, design, summaries); }},
        {"stopping_by_look.svg",
         [&](std::ostream& out) { writeStopByLookPlot(out, design, summaries); }},
    };
}

ResultSet simulationResultSet(const DesignSettings& design) {
    return {"simulate", designFingerprint(design),
            fileNames(simulationResultFiles(design, {}, {}))};
}

void writeSimulationTables(std::ostream& console, const DesignSettings& design,
                           const std::vector<ScenarioSummary>& summaries) {
    writeDesignHeader(console, design);
    writeOperatingTable(console, summaries);
    writeStopByLookTable(console, design, summaries);
}

}  // namespace quillmere
