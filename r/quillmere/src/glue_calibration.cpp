// The calibration of the cut-off: every look of every trial run to the end,
// its look table, and the figures at every cut-off that changes one.
#include <algorithm>
#include <numeric>
#include <sstream>

#include "glue_conversions.h"
#include "glue_interrupt.h"
#include "numeric/number_text.h"
#include "report/report.h"

using namespace quillmere;

namespace {

// The look table as calibration_looks.csv holds it: one row per look run and
// an end row (look 0, no probability) with the duration of the trial run to
// the end, for every replicate of every calibration rate.
Rcpp::DataFrame lookFrame(const DesignSettings& design, const CalibrationLooks& looks, int first) {
    Rcpp::IntegerVector scenario, replicate, look, enrolled, pending, priorOnly;
    Rcpp::NumericVector probability, duration;
    const auto add = [&](std::size_t s, std::size_t r, const LookProbability& row, bool end) {
        scenario.push_back(static_cast<int>(s) + 1);
        replicate.push_back(first + static_cast<int>(r));
        look.push_back(row.look);
        enrolled.push_back(row.enrolled);
        probability.push_back(end ? NA_REAL : row.probability);
        pending.push_back(end ? NA_INTEGER : row.pending);
        priorOnly.push_back(end ? NA_INTEGER : (row.priorOnly ? 1 : 0));
        duration.push_back(row.stopDuration);
    };
    for (std::size_t s = 0; s < looks.size(); ++s) {
        for (std::size_t r = 0; r < looks[s].size(); ++r) {
            for (const LookProbability& row : looks[s][r].looks) {
                add(s, r, row, false);
            }
            LookProbability end;
            end.enrolled = design.maxPatients;
            end.stopDuration = looks[s][r].completionDuration;
            add(s, r, end, true);
        }
    }
    return Rcpp::DataFrame::create(
        Rcpp::Named("scenario") = scenario, Rcpp::Named("replicate") = replicate,
        Rcpp::Named("look") = look, Rcpp::Named("enrolled") = enrolled,
        Rcpp::Named("probability") = probability, Rcpp::Named("pending") = pending,
        Rcpp::Named("prior_only") = priorOnly, Rcpp::Named("duration") = duration);
}

// The calibration rates in the design's order: a calibration rate that is
// not one of the design's rates is simulated last, but shown where it falls
// among ascending true rates (0.1, 0.2, 0.3, 0.45 rather than 0.1, 0.3, 0.45,
// 0.2). True rates given in another order keep it, the calibration rate last.
std::vector<std::size_t> displayOrder(const DesignSettings& design,
                                      const std::vector<double>& rates) {
    std::vector<std::size_t> order(rates.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    if (std::is_sorted(design.trueRates.begin(), design.trueRates.end())) {
        std::stable_sort(order.begin(), order.end(),
                         [&](std::size_t a, std::size_t b) { return rates[a] < rates[b]; });
    }
    return order;
}

Rcpp::DataFrame calibrationFrame(const CalibrationResult& result) {
    Rcpp::NumericVector cutoff, rate, stop, low, high, patients, patientsError, duration,
        durationError;
    for (std::size_t c = 0; c < result.cutoffs.size(); ++c) {
        for (const ScenarioSummary& s : result.summaries[c]) {
            cutoff.push_back(result.cutoffs[c]);
            rate.push_back(s.trueRate);
            stop.push_back(s.earlyStop);
            low.push_back(s.earlyStopInterval.low);
            high.push_back(s.earlyStopInterval.high);
            patients.push_back(s.meanEnrolled);
            patientsError.push_back(s.meanEnrolledError);
            duration.push_back(s.meanDuration);
            durationError.push_back(s.meanDurationError);
        }
    }
    return Rcpp::DataFrame::create(Rcpp::Named("cutoff") = cutoff, Rcpp::Named("rate") = rate,
                                   Rcpp::Named("p_early_stop") = stop, Rcpp::Named("p_low") = low,
                                   Rcpp::Named("p_high") = high,
                                   Rcpp::Named("expected_patients") = patients,
                                   Rcpp::Named("expected_patients_se") = patientsError,
                                   Rcpp::Named("expected_duration") = duration,
                                   Rcpp::Named("expected_duration_se") = durationError);
}

}  // namespace

// Every look of replicates first..last (counted from 1) of every calibration
// rate, run to the end on `threads` threads.
// [[Rcpp::export]]
Rcpp::List calibration_looks_cpp(Rcpp::List design, int first, int last, int threads) {
    const DesignSettings settings = glue::designFromList(design);
    glue::InterruptWatch watch;
    std::optional<CalibrationLooks> looks;
    try {
        looks = runCalibrationSimulation(settings, {first - 1, last - 1}, threads, watch.progress(),
                                         watch.request());
    } catch (const std::exception& failure) {
        return glue::engineError(failure.what());
    }
    watch.passOnInterrupt(looks.has_value());
    return glue::success(lookFrame(settings, *looks, first));
}

// The figures at every changing cut-off from the look table of all
// replicates, and the chosen cut-off (an index from 1, NA when none keeps the
// limit).
// [[Rcpp::export]]
Rcpp::List calibrate_cpp(Rcpp::List design, Rcpp::List looks) {
    const DesignSettings settings = glue::designFromList(design);
    const CalibrationResult result = calibrate(settings, glue::looksFromFrame(settings, looks));
    const std::vector<std::size_t> order = displayOrder(settings, result.rates);
    std::vector<ScenarioSummary> atChosen;
    std::ostringstream table;
    Rcpp::List interval;
    if (result.chosen) {
        for (const std::size_t s : order) {
            atChosen.push_back(result.summaries[*result.chosen][s]);
        }
        writeOperatingTable(table, atChosen);
        const CutoffInterval same = cutoffInterval(result, *result.chosen);
        const std::string text = shortDecimalWithin(same.low, same.high);
        double value = NA_REAL;
        numberFromChars(text.data(), text.data() + text.size(), value);
        const ScenarioSummary& at = result.summaries[*result.chosen][result.calibrationScenario];
        interval = Rcpp::List::create(
            Rcpp::Named("low") = same.low, Rcpp::Named("high") = same.high,
            Rcpp::Named("short_text") = text, Rcpp::Named("short") = value,
            Rcpp::Named("p_early_stop") = at.earlyStop, Rcpp::Named("se") = at.earlyStopError);
    }
    Rcpp::IntegerVector scenarioOrder;
    for (const std::size_t s : order) {
        scenarioOrder.push_back(static_cast<int>(s) + 1);
    }
    return Rcpp::List::create(
        Rcpp::Named("rates") = result.rates, Rcpp::Named("table") = calibrationFrame(result),
        Rcpp::Named("calibration_scenario") = result.calibrationScenario + 1,
        Rcpp::Named("order") = scenarioOrder,
        Rcpp::Named("chosen") = result.chosen ? static_cast<int>(*result.chosen) + 1 : NA_INTEGER,
        Rcpp::Named("chosen_cutoff") = result.chosen ? result.cutoffs[*result.chosen] : NA_REAL,
        Rcpp::Named("interval") = interval, Rcpp::Named("oc") = glue::operatingFrame(atChosen),
        Rcpp::Named("oc_table") = table.str());
}
