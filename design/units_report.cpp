#include "design/units_report.h"

#include <cmath>

#include "design/text_format.h"

namespace quillmere {
namespace {

// Every hazard is drawn from [0.001, 100] per unit: over a whole window of W
// units a pending patient's imputed event probability cannot fall below
// 1 - exp(-0.001 W) nor rise above 1 - exp(-100 W).
double imputationFloor(double window) {
    return -std::expm1(-0.001 * window);
}
double imputationCeiling(double window) {
    return -std::expm1(-100 * window);
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
        for (const UnitRun& run : runs) {
            out << formatted(format, value(run, s));
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
    out << "\nThe same patients written in each unit (hazards are sampled in [0.001, 100] per "
           "unit)\n      unit      window  floor of imputed P(event)  ceiling\n";
    for (const UnitRun& run : runs) {
        const double window = design.maxEvaluationWindow * run.factor;
        out << formatted("%10s  %10.4g  %25.4f  %7.4f\n", run.unit.name.c_str(), window,
                         imputationFloor(window), imputationCeiling(window));
    }
    writeColumnHeads(out, runs, "Probability of early termination");
    writeRows(out, design, runs, "  %9.4f",
              [](const UnitRun& run, std::size_t s) { return run.summaries[s].earlyStop; });
    writeColumnHeads(out, runs, "Expected number of patients");
    writeRows(out, design, runs, "  %9.2f",
              [](const UnitRun& run, std::size_t s) { return run.summaries[s].meanEnrolled; });
    writeColumnHeads(out, runs, "Share of looks with the prior-only warning");
    writeRows(out, design, runs, "  %9.4f",
              [](const UnitRun& run, std::size_t s) { return run.summaries[s].priorOnlyShare; });
    writeColumnHeads(
        out, runs,
        ("Share of trials stopped at another look (or not stopped) than in " + reference.unit.name)
            .c_str());
    writeRows(out, design, runs, "  %9.4f", [&reference](const UnitRun& run, std::size_t s) {
        return differingShare(run.outcomes[s], reference.outcomes[s]);
    });
}

void writeUnitsCsv(std::ostream& out, const DesignSettings& design,
                   const std::vector<UnitRun>& runs, const UnitRun& reference) {
    out << "unit,window,imputation_floor,scenario,true_rate,early_stop_probability,early_stop_se,"
           "expected_patients,expected_patients_se,prior_only_look_share,"
           "differing_from_reference\n";
    for (const UnitRun& run : runs) {
        const double window = design.maxEvaluationWindow * run.factor;
        for (std::size_t s = 0; s < design.trueRates.size(); ++s) {
            const ScenarioSummary& summary = run.summaries[s];
            out << formatted("%s,%.10g,%.8g,%zu,", run.unit.name.c_str(), window,
                             imputationFloor(window), s + 1)
                << roundTripText(summary.trueRate)
                << formatted(",%.8g,%.8g,%.8g,%.8g,%.8g,%.8g\n", summary.earlyStop,
                             summary.earlyStopError, summary.meanEnrolled,
                             summary.meanEnrolledError, summary.priorOnlyShare,
                             differingShare(run.outcomes[s], reference.outcomes[s]));
        }
    }
}

}  // namespace quillmere
