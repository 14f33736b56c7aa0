// What the package shows beyond single results: the design companion's
// report page and comparison of two rules, and the enrolment at the looks,
// each written or computed by the design library.
#include <initializer_list>
#include <sstream>
#include <utility>

#include "glue_conversions.h"
#include "report/report.h"

using namespace quillmere;

namespace {

// One row per scenario and characteristic: both rules' values and their
// paired difference, for any of the comparisons' records.
template <typename Comparison>
Rcpp::DataFrame pairedFrame(
    const std::vector<Comparison>& comparisons,
    std::initializer_list<std::pair<const char*, PairedDifference Comparison::*>> fields) {
    Rcpp::IntegerVector scenario, trials;
    Rcpp::NumericVector rate, first, second, difference, error;
    Rcpp::CharacterVector characteristic;
    for (std::size_t s = 0; s < comparisons.size(); ++s) {
        const Comparison& c = comparisons[s];
        for (const auto& [name, member] : fields) {
            const PairedDifference& value = c.*member;
            scenario.push_back(static_cast<int>(s) + 1);
            rate.push_back(c.trueRate);
            trials.push_back(c.trials);
            characteristic.push_back(name);
            first.push_back(value.first);
            second.push_back(value.second);
            difference.push_back(value.difference);
            error.push_back(value.error);
        }
    }
    return Rcpp::DataFrame::create(
        Rcpp::Named("scenario") = scenario, Rcpp::Named("true_rate") = rate,
        Rcpp::Named("trials") = trials, Rcpp::Named("characteristic") = characteristic,
        Rcpp::Named("rule_a") = first, Rcpp::Named("rule_b") = second,
        Rcpp::Named("difference") = difference, Rcpp::Named("difference_se") = error,
        Rcpp::Named("stringsAsFactors") = false);
}

Rcpp::DataFrame comparisonFrame(const std::vector<ScenarioComparison>& comparisons) {
    return pairedFrame(comparisons,
                       {{"early_stop_probability", &ScenarioComparison::earlyStop},
                        {"expected_patients", &ScenarioComparison::enrolled},
                        {"expected_duration", &ScenarioComparison::duration},
                        {"mean_looks_run", &ScenarioComparison::looksRun},
                        {"mean_pending_per_look", &ScenarioComparison::pendingPerLook},
                        {"prior_only_look_share", &ScenarioComparison::priorOnlyShare}});
}

// The columns of compare_late_outcomes.csv.
Rcpp::DataFrame lateOutcomeComparisonFrame(const std::vector<LateOutcomeComparison>& comparisons) {
    return pairedFrame(comparisons, {{"expected_duration", &LateOutcomeComparison::duration},
                                     {"expected_overrun", &LateOutcomeComparison::overrun},
                                     {"overrun_share", &LateOutcomeComparison::overrunShare}});
}

Rcpp::DataFrame stoppingComparisonFrame(const std::vector<ScenarioComparison>& comparisons) {
    Rcpp::IntegerVector scenario, enrolled;
    Rcpp::NumericVector rate, first, second, difference, error;
    for (std::size_t s = 0; s < comparisons.size(); ++s) {
        for (const StopDifference& row : comparisons[s].stopByEnrolment) {
            scenario.push_back(static_cast<int>(s) + 1);
            rate.push_back(comparisons[s].trueRate);
            enrolled.push_back(row.enrolled);
            first.push_back(row.stop.first);
            second.push_back(row.stop.second);
            difference.push_back(row.stop.difference);
            error.push_back(row.stop.error);
        }
    }
    return Rcpp::DataFrame::create(
        Rcpp::Named("scenario") = scenario, Rcpp::Named("true_rate") = rate,
        Rcpp::Named("patients_enrolled") = enrolled, Rcpp::Named("stop_probability_a") = first,
        Rcpp::Named("stop_probability_b") = second, Rcpp::Named("difference") = difference,
        Rcpp::Named("difference_se") = error);
}

}  // namespace

// The companion's report page from a whole simulation and, when given, the
// look table of a calibration of the same design.
// [[Rcpp::export]]
std::string report_cpp(Rcpp::List design, std::string design_text, std::string design_file,
                       std::string results, std::string version, Rcpp::List replicates,
                       Rcpp::Nullable<Rcpp::List> looks) {
    const DesignSettings settings = glue::designFromList(design);
    std::optional<CalibrationResult> calibration;
    if (looks.isNotNull()) {
        calibration = calibrate(settings, glue::looksFromFrame(settings, Rcpp::List(looks)));
    }
    const SimulationSummaries summaries = summariseSimulation(
        settings, glue::outcomesFromFrame(replicates, static_cast<int>(settings.trueRates.size())));
    const DesignReportContent content{
        settings,
        design_text,
        design_file,
        results,
        version,
        computeBoundaries(settings.eventType, settings.rateBound, settings.cutoffProbability,
                          settings.maxPatients),
        summaries.scenarios,
        summaries.lateOutcomes,
        calibration};
    std::ostringstream page;
    writeDesignReport(page, content);
    return page.str();
}

// The keys that keep two designs from simulating the same patients.
// [[Rcpp::export]]
std::vector<std::string> pairing_problems_cpp(Rcpp::List a, Rcpp::List b) {
    return pairingProblems(glue::designFromList(a), glue::designFromList(b));
}

// Two rules on the same replicates: the comparison's tables as the companion
// prints them and its three CSV files as data frames.
// [[Rcpp::export]]
Rcpp::List compare_cpp(Rcpp::List a, Rcpp::List b, Rcpp::List replicates_a, Rcpp::List replicates_b,
                       std::string label_a, std::string label_b) {
    const DesignSettings first = glue::designFromList(a);
    const DesignSettings second = glue::designFromList(b);
    const int scenarios = static_cast<int>(first.trueRates.size());
    const ScenarioOutcomes outcomesA = glue::outcomesFromFrame(replicates_a, scenarios);
    const ScenarioOutcomes outcomesB = glue::outcomesFromFrame(replicates_b, scenarios);
    std::vector<ScenarioComparison> comparisons;
    for (int s = 0; s < scenarios; ++s) {
        comparisons.push_back(
            compareScenario(first, second, first.trueRates[s], outcomesA[s], outcomesB[s]));
    }
    const std::vector<LateOutcomeComparison> late =
        compareLateOutcomes(first, second, outcomesA, outcomesB);
    std::ostringstream tables;
    writeComparisonTables(tables, {first, second, label_a, label_b}, comparisons);
    writeLateOutcomeComparisonTable(tables, late);
    return Rcpp::List::create(Rcpp::Named("text") = tables.str(),
                              Rcpp::Named("comparison") = comparisonFrame(comparisons),
                              Rcpp::Named("stopping") = stoppingComparisonFrame(comparisons),
                              Rcpp::Named("late_outcomes") = lateOutcomeComparisonFrame(late));
}

// The patients enrolled at each look of the design's schedule.
// [[Rcpp::export]]
Rcpp::IntegerVector look_enrolments_cpp(Rcpp::List design) {
    const DesignSettings settings = glue::designFromList(design);
    Rcpp::IntegerVector enrolled;
    for (int look = 1; look <= scheduledLookCount(settings); ++look) {
        enrolled.push_back(enrolledAtLook(settings, look));
    }
    return enrolled;
}
