#include <filesystem>

#include "design_cli/commands.h"
#include "design_cli/progress_meter.h"
#include "report/compare_report.h"

namespace quillmere {
namespace {

// The second design file, which must simulate the same patients as the first.
std::optional<DesignSettings> loadOtherDesign(const CommandLine& line, const DesignSettings& a,
                                              std::ostream& err) {
    std::optional<DesignSettings> b = readDesignFile(line.arguments[0], err);
    if (!b) {
        err << '\n';
        return std::nullopt;
    }
    const std::vector<std::string> problems = pairingProblems(a, *b);
    if (!problems.empty()) {
        err << "The two designs do not simulate the same patients, so their trials cannot be "
               "paired:\n";
        for (const std::string& problem : problems) {
            err << "  " << problem << '\n';
        }
        return std::nullopt;
    }
    return b;
}

// Nothing when stopped by a stop request.
std::optional<ScenarioOutcomes> simulateRule(const DesignSettings& design, const std::string& label,
                                             int threads, const CommandContext& context) {
    ProgressMeter progress(context.err, "compare: " + label);
    return runSimulation(SimulationPlan{design, 1.0}, {0, design.trials - 1}, threads,
                         std::ref(progress), &context.stop);
}

}  // namespace

int runCompareCommand(const CommandContext& context) {
    const CommandLine& line = context.line;
    std::ostream& err = context.err;
    std::optional<DesignSettings> a = loadDesign(line, err);
    if (!a) {
        return 1;
    }
    std::optional<DesignSettings> b = loadOtherDesign(line, *a, err);
    const std::optional<int> threads = threadsOption(line, err);
    const std::optional<int> trials =
        parseWholeNumber(optionOr(line, "trials", std::to_string(a->trials)), 1, 10000000);
    if (!trials) {
        err << "The number of trials (" << line.options.at("trials")
            << ") must be a whole number from 1 to 10000000.\n";
    }
    if (!b || !threads || !trials) {
        return 1;
    }
    const std::string directory = optionOr(line, "out", ".");
    StagedResults staged({directory,
                          {"compare",
                           designFingerprint(*a) + " / " + designFingerprint(*b),
                           {"compare.csv", "compare_stopping.csv", "compare_late_outcomes.csv"}},
                          line.force,
                          {line.designFile, line.arguments[0]}});
    if (!outputReady(context, staged)) {
        return 1;
    }
    // Trial r of a scenario enrols the same patients under both rules,
    // whatever the number of trials.
    a->trials = *trials;
    b->trials = *trials;
    const std::optional<ScenarioOutcomes> outcomesA = simulateRule(*a, "A", *threads, context);
    const std::optional<ScenarioOutcomes> outcomesB =
        outcomesA ? simulateRule(*b, "B", *threads, context) : std::nullopt;
    if (!outcomesA || !outcomesB) {
        return reportStopped(context, directory);
    }
    std::vector<ScenarioComparison> comparisons;
    for (std::size_t s = 0; s < a->trueRates.size(); ++s) {
        comparisons.push_back(
            compareScenario(*a, *b, a->trueRates[s], (*outcomesA)[s], (*outcomesB)[s]));
    }
    const std::vector<LateOutcomeComparison> late =
        compareLateOutcomes(*a, *b, *outcomesA, *outcomesB);
    const std::vector<ResultFile> files = {
        {"compare.csv", [&](std::ostream& out) { writeComparisonCsv(out, comparisons); }},
        {"compare_stopping.csv",
         [&](std::ostream& out) { writeStoppingComparisonCsv(out, comparisons); }},
        {"compare_late_outcomes.csv",
         [&](std::ostream& out) { writeLateOutcomeComparisonCsv(out, late); }}};
    if (const std::optional<int> status = finishResults(context, staged, files, directory)) {
        return *status;
    }
    writeComparisonTables(context.out, {*a, *b, line.designFile, line.arguments[0]}, comparisons);
    writeLateOutcomeComparisonTable(context.out, late);
    context.out << "\nWritten into " << directory
                << ": compare.csv, compare_stopping.csv, compare_late_outcomes.csv\n";
    return 0;
}

}  // namespace quillmere
