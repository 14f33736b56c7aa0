#include "design_cli/simulation_report.h"

#include "design/look_schedule.h"
#include "design/replicate_file.h"
#include "design_cli/report_csv.h"
#include "report/report_svg.h"
#include "report/report_text.h"

namespace quillmere {

std::vector<ResultFile> simulationResultFiles(const DesignSettings& design,
                                              const ScenarioOutcomes& outcomes,
                                              const SimulationSummaries& all) {
    const std::vector<ScenarioSummary>& summaries = all.scenarios;
    const std::vector<LateOutcomeSummary>& late = all.lateOutcomes;
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
        {"late_outcomes.csv", [&](std::ostream& out) { writeLateOutcomeCsv(out, design, late); }},
        {"late_outcomes.svg", [&](std::ostream& out) { writeLateOutcomePlot(out, design, late); }},
    };
}

ResultSet simulationResultSet(const DesignSettings& design) {
    return {"simulate", designFingerprint(design),
            fileNames(simulationResultFiles(design, {}, {}))};
}

void writeSimulationTables(std::ostream& console, const DesignSettings& design,
                           const SimulationSummaries& summaries) {
    writeDesignHeader(console, design);
    writeOperatingTable(console, summaries.scenarios);
    writeStopByLookTable(console, design, summaries.scenarios);
    writeLateOutcomeTable(console, design, summaries.lateOutcomes);
}

std::string simulationFileList(const DesignSettings& design) {
    std::string list;
    for (const std::string& name : fileNames(simulationResultFiles(design, {}, {}))) {
        list += (list.empty() ? "" : ", ") + name;
    }
    return list;
}

}  // namespace quillmere
