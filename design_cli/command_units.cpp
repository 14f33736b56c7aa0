#include <algorithm>
#include <filesystem>
#include <sstream>

#include "config/trial_settings.h"
#include "design_cli/commands.h"
#include "design_cli/progress_meter.h"
#include "design_cli/simulation_report.h"
#include "design_cli/units_report.h"
#include "report/report_svg.h"
#include "report/report_text.h"

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

// Nothing when stopped by a stop request.
std::optional<std::vector<UnitRun>> simulateInUnits(const DesignSettings& design,
                                                    const std::vector<TimeUnit>& units, int threads,
                                                    const CommandContext& context) {
    std::vector<UnitRun> runs;
    for (const TimeUnit& unit : units) {
        UnitRun run{unit, conversionFactor(design.timeUnit, unit), {}, {}};
        ProgressMeter progress(context.err, "units: " + unit.name);
        std::optional<ScenarioOutcomes> outcomes =
            runSimulation(SimulationPlan{design, run.factor}, {0, design.trials - 1}, threads,
                          std::ref(progress), &context.stop);
        if (!outcomes) {
            return std::nullopt;
        }
        run.outcomes = std::move(*outcomes);
        run.summaries = summariseOutcomes(design, run.outcomes);
        runs.push_back(std::move(run));
    }
    return runs;
}

std::vector<UnitCurves> unitCurves(const std::vector<UnitRun>& runs) {
    std::vector<UnitCurves> curves;
    for (const UnitRun& run : runs) {
        curves.push_back({run.unit.name, run.summaries});
    }
    return curves;
}

// The paired look comparison, when asked for with --same-looks N; nothing
// when stopped by a stop request.
std::optional<SameLookTable> compareLooksInUnits(const DesignSettings& design,
                                                 const std::vector<UnitRun>& runs, int replicates,
                                                 int threads, const CommandContext& context) {
    std::vector<double> factors;
    for (const UnitRun& run : runs) {
        factors.push_back(run.factor);
    }
    ProgressMeter progress(context.err, "units: same looks");
    return compareSameLooks(design, factors, replicates, threads, std::ref(progress),
                            &context.stop);
}

std::vector<std::string> unitsFileNames(int sameLooks) {
    std::vector<std::string> names = {"units.csv", "units.svg"};
    if (sameLooks > 0) {
        names.push_back("units_same_looks.csv");
    }
    return names;
}

}  // namespace

int runUnitsCommand(const CommandContext& context) {
    const CommandLine& line = context.line;
    std::ostream& err = context.err;
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
    const std::string directory = optionOr(line, "out", ".");
    StagedResults staged({directory,
                          {"units", designFingerprint(*design), unitsFileNames(*sameLooks)},
                          line.force,
                          {line.designFile}});
    if (!outputReady(context, staged)) {
        return 1;
    }
    design->trials = *trials;
    const std::optional<std::vector<UnitRun>> runs =
        simulateInUnits(*design, *units, *threads, context);
    std::optional<SameLookTable> sameLookTable;
    if (runs && *sameLooks > 0) {
        sameLookTable = compareLooksInUnits(*design, *runs, *sameLooks, *threads, context);
    }
    if (!runs || (*sameLooks > 0 && !sameLookTable)) {
        return reportStopped(context, directory);
    }
    // unitList guarantees that the design's own unit is among them.
    const UnitRun& reference = *std::find_if(runs->begin(), runs->end(), [&](const UnitRun& run) {
        return run.unit.name == design->timeUnit.name;
    });
    const std::vector<UnitCurves> curves = unitCurves(*runs);
    std::vector<ResultFile> files = {
        {"units.csv", [&](std::ostream& out) { writeUnitsCsv(out, *design, *runs, reference); }},
        {"units.svg", [&](std::ostream& out) { writeUnitsPlot(out, *design, curves); }}};
    if (sameLookTable) {
        files.push_back({"units_same_looks.csv", [&](std::ostream& out) {
                             writeSameLooksCsv(out, *design, *runs, *sameLookTable);
                         }});
    }
    if (const std::optional<int> status = finishResults(context, staged, files, directory)) {
        return *status;
    }
    writeDesignHeader(context.out, *design);
    writeUnitsTable(context.out, *design, *runs, reference);
    if (sameLookTable) {
        writeSameLooksTable(context.out, *design, *runs, *sameLookTable, *sameLooks);
    }
    context.out << "\nWritten into " << directory << ": units.csv, units.svg"
                << (*sameLooks > 0 ? ", units_same_looks.csv\n" : "\n");
    return 0;
}

}  // namespace quillmere
