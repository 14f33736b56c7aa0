#include "design_cli/units_report.h"

#include <cmath>

#include "design/text_format.h"
#include "design/trial_simulation.h"

namespace quillmere {
namespace {

// Every hazard is drawn from [lower, upper] per unit ([0.001, 100] under the
// unit range): over a whole window of W units a pending patient's imputed
// event probability cannot fall below 1 - exp(-lower W) nor rise above
// 1 - exp(-upper W).
double imputationFloor(const AnalysisSettings& settings) {
    return -std::expm1(-hazardBounds(settings).lower * settings.maxEvaluationWindow);
}
double imputationCeiling(const AnalysisSettings& settings) {
    return -std::expm1(-hazardBounds(settings).upper * settings.maxEvaluationWindow);
}

std::string rangeText(const DesignSettings& design) {
    if (design.hazardRange == HazardRange::Window) {
        return formatted("with lambda*W in [%g, %g] in every unit", windowRangeLower,
                         windowRangeUpper);
    }
    return "in [0.001, 100] per unit";
}

void writeColumnHeads(std::ostream& out, const std::vector<UnitRun>& runs, const char* title) {
    out << '\n' << title << "\n true rate";
    for (const UnitRun& run : runs) {
        out << formatted("  %9s", run.unit.name.c_str());
    }
    out << '\n';
}

template <typename Value>
void writeRows(std::ostream& out, const DesignSettings& design, const std::vector<UnitRun>& runs,
               const char* format, Value value) {
    for (std::size_t s = 0; s < design.trueRates.size(); ++s) {
        out << formatted("%10.4g", design.trueRates[s]);
        for (std::size_t u = 0; u < runs.size(); ++u) {
            out << formatted(format, value(u, s));
        }
        out << '\n';
    }
}

}  // namespace

double differingShare(const std::vector<TrialOutcome>& a, const std::vector<TrialOutcome>& b) {
    long differing = 0;
    for (std::size_t r = 0; r < a.size(); ++r) {
        differing += a[r].stopLook != b[r].stopLook ? 1 : 0;
    }
    return a.empty() ? 0.0 : static_cast<double>(differing) / a.size();
}

void writeUnitsTable(std::ostream& out, const DesignSettings& design,
                     const std::vector<UnitRun>& runs, const UnitRun& reference) {
    out << "\nThe same patients written in each unit (hazards are sampled " << rangeText(design)
        << ")\n      unit      window  floor of imputed P(event)  ceiling\n";
    for (const UnitRun& run : runs) {
        const AnalysisSettings settings = analysisSettings({design, run.factor});
        out << formatted("%10s  %10.4g  %25.4f  %7.4f\n", run.unit.name.c_str(),
                         settings.maxEvaluationWindow, imputationFloor(settings),
                         imputationCeiling(settings));
    }
    writeColumnHeads(out, runs, "Probability of early termination");
    writeRows(out, design, runs, "  %9.4f",
              [&](std::size_t u, std::size_t s) { return runs[u].summaries[s].earlyStop; });
    writeColumnHeads(out, runs, "Expected number of patients");
    writeRows(out, design, runs, "  %9.2f",
              [&](std::size_t u, std::size_t s) { return runs[u].summaries[s].meanEnrolled; });
    writeColumnHeads(out, runs, "Share of looks with the prior-only warning");
    writeRows(out, design, runs, "  %9.4f",
              [&](std::size_t u, std::size_t s) { return runs[u].summaries[s].priorOnlyShare; });
    writeColumnHeads(
        out, runs,
        ("Share of trials stopped at another look (or not stopped) than in " + reference.unit.name)
            .c_str());
    writeRows(out, design, runs, "  %9.4f", [&](std::size_t u, std::size_t s) {
        return differingShare(runs[u].outcomes[s], reference.outcomes[s]);
    });
}

void writeUnitsCsv(std::ostream& out, const DesignSettings& design,
                   const std::vector<UnitRun>& runs, const UnitRun& reference) {
    out << "unit,window,imputation_floor,scenario,true_rate,early_stop_probability,early_stop_se,"
           "expected_patients,expected_patients_se,prior_only_look_share,"
           "differing_from_reference,early_stop_ci_low,early_stop_ci_high\n";
    for (const UnitRun& run : runs) {
        const AnalysisSettings settings = analysisSettings({design, run.factor});
        for (std::size_t s = 0; s < design.trueRates.size(); ++s) {
            const ScenarioSummary& summary = run.summaries[s];
            out << formatted("%s,%.10g,%.8g,%zu,", run.unit.name.c_str(),
                             settings.maxEvaluationWindow, imputationFloor(settings), s + 1)
                << roundTripText(summary.trueRate)
                << formatted(",%.8g,%.8g,%.8g,%.8g,%.8g,%.8g,%.8g,%.8g\n", summary.earlyStop,
                             summary.earlyStopError, summary.meanEnrolled,
                             summary.meanEnrolledError, summary.priorOnlyShare,
                             differingShare(run.outcomes[s], reference.outcomes[s]),
                             summary.earlyStopInterval.low, summary.earlyStopInterval.high);
        }
    }
}

void writeSameLooksTable(std::ostream& out, const DesignSettings& design,
                         const std::vector<UnitRun>& runs, const SameLookTable& table,
                         int replicates) {
    const std::string scope = formatted(" (the looks %s runs in the first %d trials per rate)",
                                        design.timeUnit.name.c_str(), replicates);
    writeColumnHeads(out, runs, ("Mean reported probability at the same looks" + scope).c_str());
    writeRows(out, design, runs, "  %9.4f", [&](std::size_t u, std::size_t s) {
        const SameLookFigures& f = table[u][s];
        return f.looks > 0 ? f.probabilitySum / f.looks : 0.0;
    });
    writeColumnHeads(
        out, runs,
        ("Share of those looks decided otherwise than in " + design.timeUnit.name).c_str());
    writeRows(out, design, runs, "  %9.4f", [&](std::size_t u, std::size_t s) {
        const SameLookFigures& f = table[u][s];
        return f.looks > 0 ? static_cast<double>(f.differingDecisions) / f.looks : 0.0;
    });
}

void writeSameLooksCsv(std::ostream& out, const DesignSettings& design,
                       const std::vector<UnitRun>& runs, const SameLookTable& table) {
    out << "unit,scenario,true_rate,looks,mean_reported_probability,differing_decisions\n";
    for (std::size_t u = 0; u < runs.size(); ++u) {
        for (std::size_t s = 0; s < design.trueRates.size(); ++s) {
            const SameLookFigures& f = table[u][s];
            out << runs[u].unit.name << ',' << s + 1 << ',' << roundTripText(design.trueRates[s])
                << formatted(",%ld,%.8g,%ld\n", f.looks,
                             f.looks > 0 ? f.probabilitySum / f.looks : 0.0, f.differingDecisions);
        }
    }
}

}  // namespace quillmere
