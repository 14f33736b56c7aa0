#include <algorithm>
#include <filesystem>
#include <sstream>

#include "config/trial_settings.h"
#include "design_cli/commands.h"
#include "design_cli/output_file.h"
#include "design_cli/progress_meter.h"
#include "design_cli/report_svg.h"
#include "design_cli/report_text.h"
#include "design_cli/simulation_report.h"
#include "design_cli/units_report.h"

namespace quillmere {
namespace {

// The units asked for, with the design's own unit first when it is missing.
std::optional<std::vector<TimeUnit>> unitList(const CommandLine& line, const DesignSettings& design,
                                              std::ostream& err) {
    std::istringstream names(optionOr(line, "units", "hours,days,weeks,months"));
    std::vector<TimeUnit> units;
    bool hasDesignUnit = false;
    for (std::string name; std::getline(names, name, ',');) {
        const std::optional<TimeUnit> unit = findTimeUnit(name);
        if (!unit) {
            err << "Unknown time unit (" << name
                << "). Limit inputs to hours, days, weeks, months or years.\n";
            return std::nullopt;
        }
        const double window = design.maxEvaluationWindow * conversionFactor(design.timeUnit, *unit);
        if (const std::optional<std::string> problem = evaluationWindowLimitProblem(window)) {
            err << "In " << unit->name << ": " << *problem << "\n";
            return std::nullopt;
        }
        hasDesignUnit = hasDesignUnit || unit->name == design.timeUnit.name;
        units.push_back(*unit);
    }
    if (!hasDesignUnit) {
        units.insert(units.begin(), design.timeUnit);
    }
    return units;
}

std::vector<UnitRun> simulateInUnits(const DesignSettings& design,
                                     const std::vector<TimeUnit>& units, int threads,
                                     std::ostream& err) {
    std::vector<UnitRun> runs;
    for (const TimeUnit& unit : units) {
        UnitRun run{unit, conversionFactor(design.timeUnit, unit), {}, {}};
        ProgressMeter progress(err, "units: " + unit.name);
        run.outcomes = runSimulation(SimulationPlan{design, run.factor}, {0, design.trials - 1},
                                     threads, std::ref(progress));
        run.summaries = summariseOutcomes(design, run.outcomes);
        runs.push_back(std::move(run));
    }
    return runs;
}

void writeUnitsFiles(const std::filesystem::path& directory, const DesignSettings& design,
                     const std::vector<UnitRun>& runs, const UnitRun& reference) {
    std::filesystem::create_directories(directory);
    std::ofstream csv = openOutputFile(directory / "units.csv");
    writeUnitsCsv(csv, design, runs, reference);
    std::vector<UnitCurves> curves;
    for (const UnitRun& run : runs) {
        curves.push_back({run.unit.name, run.summaries});
    }
    std::ofstream plot = openOutputFile(directory / "units.svg");
    writeUnitsPlot(plot, design, curves);
    closeResultFiles({&csv, &plot}, directory);
}

// The paired look comparison, when asked for with --same-looks N.
void compareLooksInUnits(const DesignSettings& design, const std::vector<UnitRun>& runs,
                         int replicates, int threads, const std::filesystem::path& directory,
                         std::ostream& out, std::ostream& err) {
    std::vector<double> factors;
    for (const UnitRun& run : runs) {
        factors.push_back(run.factor);
    }
    ProgressMeter progress(err, "units: same looks");
    const SameLookTable table = compareSameLooks(design, factors, replicates, threads, progress);
    std::ofstream csv = openOutputFile(directory / "units_same_looks.csv");
    writeSameLooksCsv(csv, design, runs, table);
    closeResultFiles({&csv}, directory);
    writeSameLooksTable(out, design, runs, table, replicates);
}

}  // namespace

int runUnitsCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    std::optional<DesignSettings> design = loadDesign(line, err);
    if (!design) {
        return 1;
    }
    const std::optional<int> threads = threadsOption(line, err);
    const std::optional<std::vector<TimeUnit>> units = unitList(line, *design, err);
    const std::optional<int> trials =
        parseWholeNumber(optionOr(line, "trials", std::to_string(design->trials)), 1, 10000000);
    if (!trials) {
        err << "The number of trials (" << line.options.at("trials")
            << ") must be a whole number from 1 to 10000000.\n";
    }
    const std::optional<int> sameLooks =
        parseWholeNumber(optionOr(line, "same-looks", "0"), 0, trials.value_or(0));
    if (trials && !sameLooks) {
        err << "The number of trials whose looks are compared (" << line.options.at("same-looks")
            << ") must be a whole number from 0 to " << *trials << ".\n";
    }
    if (!threads || !units || !trials || !sameLooks) {
        return 1;
    }
    design->trials = *trials;
    const std::vector<UnitRun> runs = simulateInUnits(*design, *units, *threads, err);
    // unitList guarantees that the design's own unit is among them.
    const UnitRun& reference = *std::find_if(runs.begin(), runs.end(), [&](const UnitRun& run) {
        return run.unit.name == design->timeUnit.name;
    });
    const std::filesystem::path directory = optionOr(line, "out", ".");
    writeUnitsFiles(directory, *design, runs, reference);
    writeDesignHeader(out, *design);
    writeUnitsTable(out, *design, runs, reference);
    if (*sameLooks > 0) {
        compareLooksInUnits(*design, runs, *sameLooks, *threads, directory, out, err);
    }
    out << "\nWritten into " << directory.string() << ": units.csv, units.svg"
        << (*sameLooks > 0 ? ", units_same_looks.csv\n" : "\n");
    return 0;
}

}  // namespace quillmere
