#include "design_cli/simulation_report.h"

#include "design/look_schedule.h"
#include "design_cli/output_file.h"
#include "design/replicate_file.h"
#include "design_cli/report_csv.h"
#include "design_cli/report_svg.h"
#include "design_cli/report_text.h"

namespace quillmere {

std::vector<ScenarioSummary> summariseOutcomes(const DesignSettings& design,
                                               const ScenarioOutcomes& outcomes) {
    std::vector<ScenarioSummary> summaries;
    for (std::size_t s = 0; s < outcomes.size(); ++s) {
        summaries.push_back(
            summariseScenario(design.trueRates[s], outcomes[s], scheduledLookCount(design)));
    }
    return summaries;
}

void writeSimulationReport(const DesignSettings& design, const ScenarioOutcomes& outcomes,
                           const std::filesystem::path& directory, std::ostream& console) {
    const std::vector<ScenarioSummary> summaries = summariseOutcomes(design, outcomes);
    std::filesystem::create_directories(directory);
    std::ofstream replicates = openOutputFile(directory / "replicates.csv");
    writeReplicateFile(replicates, design, outcomes, {0, design.trials - 1});
    std::ofstream table = openOutputFile(directory / "operating_characteristics.csv");
    writeOperatingCsv(table, summaries);
    std::ofstream looks = openOutputFile(directory / "stopping_by_look.csv");
    writeStopByLookCsv(looks, design, summaries);
    std::ofstream plot = openOutputFile(directory / "operating_characteristics.svg");
    writeOperatingPlot(plot, design, summaries);
    closeResultFiles({&replicates, &table, &looks, &plot}, directory);
    writeDesignHeader(console, design);
    writeOperatingTable(console, summaries);
    writeStopByLookTable(console, design, summaries);
}

}  // namespace quillmere
