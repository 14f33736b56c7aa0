#include "report/compare_report.h"

#include <array>

#include "design/text_format.h"
#include "report/report_text.h"

namespace quillmere {
namespace {

struct Characteristic {
    const char* label;   // in the console table
    const char* column;  // as in operating_characteristics.csv
    const char* format;  // of a value, its difference and its error
    PairedDifference ScenarioComparison::*member;
};

constexpr std::array<Characteristic, 6> characteristics{{
    {"P(early stop)", "early_stop_probability", "%.4f", &ScenarioComparison::earlyStop},
    {"E[patients]", "expected_patients", "%.2f", &ScenarioComparison::enrolled},
    {"E[duration]", "expected_duration", "%.2f", &ScenarioComparison::duration},
    {"looks run", "mean_looks_run", "%.2f", &ScenarioComparison::looksRun},
    {"pending/look", "mean_pending_per_look", "%.2f", &ScenarioComparison::pendingPerLook},
    {"prior-only looks", "prior_only_look_share", "%.4f", &ScenarioComparison::priorOnlyShare},
}};

struct LateCharacteristic {
    const char* label;
    const char* column;  // as in late_outcomes.csv
    const char* format;
    PairedDifference LateOutcomeComparison::*member;
};

constexpr std::array<LateCharacteristic, 3> lateCharacteristics{{
    {"E[duration]", "expected_duration", "%.2f", &LateOutcomeComparison::duration},
    {"E[overrun]", "expected_overrun", "%.2f", &LateOutcomeComparison::overrun},
    {"P(overrun)", "overrun_share", "%.4f", &LateOutcomeComparison::overrunShare},
}};

std::string cell(const char* format, double value, int width) {
    const std::string text = formatted(format, value);
    return std::string(text.size() < static_cast<std::size_t>(width) ? width - text.size() : 0,
                       ' ') +
           text;
}

// "+0.0123 (0.0040)" in the characteristic's precision.
std::string differenceText(const char* format, const PairedDifference& value) {
    const std::string signedFormat = std::string("%+") + (format + 1);
    return formatted(signedFormat.c_str(), value.difference) + " (" +
           formatted(format, value.error) + ")";
}

void writeRules(std::ostream& out, const ComparedRules& rules) {
    out << "Rule A (" << rules.fileA << "):\n";
    writeDesignHeader(out, rules.a);
    out << "\nRule B (" << rules.fileB << "): ";
    const std::vector<std::string> differences = ruleDifferences(rules.a, rules.b);
    if (differences.empty()) {
        out << "the same rule";
    }
    for (std::size_t i = 0; i < differences.size(); ++i) {
        out << (i == 0 ? "differs in " : ", ") << differences[i];
    }
    out << '\n';
    writeNotQuillmereNote(out, rules.b);
}

void writeScenario(std::ostream& out, const ScenarioComparison& comparison) {
    bool first = true;
    for (const Characteristic& c : characteristics) {
        const PairedDifference& value = comparison.*c.member;
        out << (first ? formatted("%10.4g", comparison.trueRate) : std::string(10, ' '))
            << formatted("  %-16s", c.label) << cell(c.format, value.first, 10)
            << cell(c.format, value.second, 10) << "  " << differenceText(c.format, value) << '\n';
        first = false;
    }
    out << std::string(12, ' ')
        << formatted("trials that ended otherwise: %.4f\n", comparison.differingShare);
}

void writeStoppingTable(std::ostream& out, const std::vector<ScenarioComparison>& comparisons) {
    out << "\nStopping probability by patients enrolled at the look: B - A (s.e.), true rate in "
           "the column heads\n enrolled";
    for (const ScenarioComparison& comparison : comparisons) {
        out << formatted("  %18.4g", comparison.trueRate);
    }
    out << '\n';
    const std::size_t rows = comparisons.empty() ? 0 : comparisons[0].stopByEnrolment.size();
    for (std::size_t row = 0; row < rows; ++row) {
        out << formatted("%9d", comparisons[0].stopByEnrolment[row].enrolled);
        for (const ScenarioComparison& comparison : comparisons) {
            out << formatted("  %18s",
                             differenceText("%.4f", comparison.stopByEnrolment[row].stop).c_str());
        }
        out << '\n';
    }
}

}  // namespace

void writeComparisonTables(std::ostream& out, const ComparedRules& rules,
                           const std::vector<ScenarioComparison>& comparisons) {
    writeRules(out, rules);
    out << formatted(
        "\nPaired on the same %d trials per rate: each characteristic under A and B, and B - A "
        "with its\nMonte Carlo standard error in parentheses\n",
        comparisons.empty() ? 0 : comparisons[0].trials);
    out << " true rate  characteristic             A         B  B - A (s.e.)\n";
    for (const ScenarioComparison& comparison : comparisons) {
        writeScenario(out, comparison);
    }
    writeStoppingTable(out, comparisons);
}

void writeLateOutcomeComparisonTable(std::ostream& out,
                                     const std::vector<LateOutcomeComparison>& comparisons) {
    out << "\nLate outcomes: the duration, and the overrun (patients enrolled after the first "
           "look at which\nthe complete outcomes of the patients then enrolled crossed the "
           "boundary)\n true rate  characteristic             A         B  B - A (s.e.)\n";
    for (const LateOutcomeComparison& comparison : comparisons) {
        bool first = true;
        for (const LateCharacteristic& c : lateCharacteristics) {
            const PairedDifference& value = comparison.*c.member;
            out << (first ? formatted("%10.4g", comparison.trueRate) : std::string(10, ' '))
                << formatted("  %-16s", c.label) << cell(c.format, value.first, 10)
                << cell(c.format, value.second, 10) << "  " << differenceText(c.format, value)
                << '\n';
            first = false;
        }
    }
}

void writeLateOutcomeComparisonCsv(std::ostream& out,
                                   const std::vector<LateOutcomeComparison>& comparisons) {
    out << "scenario,true_rate,trials,characteristic,rule_a,rule_b,difference,difference_se\n";
    int scenario = 1;
    for (const LateOutcomeComparison& comparison : comparisons) {
        for (const LateCharacteristic& c : lateCharacteristics) {
            const PairedDifference& value = comparison.*c.member;
            out << scenario << ',' << roundTripText(comparison.trueRate) << ',' << comparison.trials
                << ',' << c.column
                << formatted(",%.8g,%.8g,%.8g,%.8g\n", value.first, value.second, value.difference,
                             value.error);
        }
        ++scenario;
    }
}

void writeComparisonCsv(std::ostream& out, const std::vector<ScenarioComparison>& comparisons) {
    out << "scenario,true_rate,trials,characteristic,rule_a,rule_b,difference,difference_se\n";
    int scenario = 1;
    for (const ScenarioComparison& comparison : comparisons) {
        for (const Characteristic& c : characteristics) {
            const PairedDifference& value = comparison.*c.member;
            out << scenario << ',' << roundTripText(comparison.trueRate) << ',' << comparison.trials
                << ',' << c.column
                << formatted(",%.8g,%.8g,%.8g,%.8g\n", value.first, value.second, value.difference,
                             value.error);
        }
        ++scenario;
    }
}

void writeStoppingComparisonCsv(std::ostream& out,
                                const std::vector<ScenarioComparison>& comparisons) {
    out << "scenario,true_rate,patients_enrolled,stop_probability_a,stop_probability_b,"
           "difference,difference_se\n";
    int scenario = 1;
    for (const ScenarioComparison& comparison : comparisons) {
        for (const StopDifference& row : comparison.stopByEnrolment) {
            out << scenario << ',' << roundTripText(comparison.trueRate)
                << formatted(",%d,%.8g,%.8g,%.8g,%.8g\n", row.enrolled, row.stop.first,
                             row.stop.second, row.stop.difference, row.stop.error);
        }
        ++scenario;
    }
}

}  // namespace quillmere
