// The calibration of the cut-off: every look of every trial run to the end,
// its look table, and the figures at every cut-off that changes one.
#include "glue_conversions.h"
#include "glue_interrupt.h"

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

// The look table back, sorted by scenario and replicate and covering every
// replicate of every calibration rate (the R side has checked that).
CalibrationLooks looksFromFrame(const DesignSettings& design, const Rcpp::List& frame) {
    const Rcpp::IntegerVector scenario = frame["scenario"];
    const Rcpp::IntegerVector replicate = frame["replicate"];
    const Rcpp::IntegerVector look = frame["look"];
    const Rcpp::IntegerVector enrolled = frame["enrolled"];
    const Rcpp::NumericVector probability = frame["probability"];
    const Rcpp::IntegerVector pending = frame["pending"];
    const Rcpp::IntegerVector priorOnly = frame["prior_only"];
    const Rcpp::NumericVector duration = frame["duration"];
    CalibrationLooks looks(calibrationRates(design).size(),
                           std::vector<ReplicateLooks>(static_cast<std::size_t>(design.trials)));
    for (R_xlen_t i = 0; i < scenario.size(); ++i) {
        ReplicateLooks& target = looks.at(static_cast<std::size_t>(scenario[i] - 1))
                                     .at(static_cast<std::size_t>(replicate[i] - 1));
        if (look[i] == 0) {
            target.completionDuration = duration[i];
        } else {
            target.looks.push_back(
                {look[i], enrolled[i], probability[i], pending[i], priorOnly[i] == 1, duration[i]});
        }
    }
    return looks;
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
    const CalibrationResult result = calibrate(settings, looksFromFrame(settings, looks));
    const std::vector<ScenarioSummary> none;
    const std::vector<ScenarioSummary>& atChosen =
        result.chosen ? result.summaries[*result.chosen] : none;
    return Rcpp::List::create(
        Rcpp::Named("rates") = result.rates, Rcpp::Named("table") = calibrationFrame(result),
        Rcpp::Named("calibration_scenario") = result.calibrationScenario + 1,
        Rcpp::Named("chosen") = result.chosen ? static_cast<int>(*result.chosen) + 1 : NA_INTEGER,
        Rcpp::Named("chosen_cutoff") = result.chosen ? result.cutoffs[*result.chosen] : NA_REAL,
        Rcpp::Named("oc") = glue::operatingFrame(atChosen));
}
