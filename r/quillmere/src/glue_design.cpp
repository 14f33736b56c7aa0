// Boundaries and design files.
#include <sstream>

#include "design/text_format.h"
#include "glue_conversions.h"

using namespace quillmere;

namespace {

// A design file that readDesignFile reads back to exactly these settings:
// every number in its shortest exact form.
std::string designText(const Rcpp::List& values) {
    const Rcpp::List rule = values["rule"];
    std::ostringstream text;
    const auto number = [](SEXP value) { return roundTripText(Rcpp::as<double>(value)); };
    text << "TrialType = " << Rcpp::as<std::string>(rule["type"]) << '\n'
         << "RateBound = " << number(rule["rate_bound"]) << '\n'
         << "CutoffProbability = " << number(rule["cutoff"]) << '\n'
         << "MaxEvaluationWindow = " << number(rule["window"]) << '\n'
         << "TimeUnit = " << Rcpp::as<std::string>(values["time_unit"]) << '\n'
         << "MaxPatients = " << number(values["max_patients"]) << '\n'
         << "AccrualRate = " << number(values["accrual_rate"]) << '\n'
         << "FirstLook = " << number(values["first_look"]) << '\n'
         << "LookEvery = " << number(values["look_every"]) << '\n'
         << "MinCompleted = " << number(values["min_completed"]) << '\n'
         << "TrueRates = ";
    const Rcpp::NumericVector rates = values["true_rates"];
    for (R_xlen_t i = 0; i < rates.size(); ++i) {
        text << (i > 0 ? ", " : "") << roundTripText(rates[i]);
    }
    text << '\n'
         << "EventTimeShape = " << number(values["event_time_shape"]) << '\n'
         << "Trials = " << number(values["trials"]) << '\n'
         << "Seed = " << Rcpp::as<std::string>(values["seed"]) << '\n';
    // The hazard options only when they are not quillmere's own, as the
    // companion's files of such designs stay as they were.
    const MonitoringRule hazards = glue::ruleFromList(rule);
    if (!hasConsoleHazardModel(hazards)) {
        text << "HazardPriorShape = " << roundTripText(hazards.hazardPriorShape) << '\n'
             << "HazardRange = " << hazardRangeName(hazards.hazardRange) << '\n';
    }
    // The method only when it is not the imputation, as the companion's files
    // of imputing designs stay as they were.
    if (values.containsElementNamed("method")) {
        const std::string method = Rcpp::as<std::string>(values["method"]);
        if (method != "imputation") {
            text << "Method = " << method << '\n';
        }
    }
    if (const std::optional<double> rate = glue::optionalNumber(values, "calibration_rate")) {
        text << "CalibrationRate = " << roundTripText(*rate) << '\n';
    }
    if (const std::optional<double> limit = glue::optionalNumber(values, "max_error_stop")) {
        text << "MaxErrorStop = " << roundTripText(*limit) << '\n';
    }
    return text.str();
}

}  // namespace

// [[Rcpp::export]]
Rcpp::List boundaries_cpp(Rcpp::List rule, int max_patients) {
    const MonitoringRule converted = glue::ruleFromList(rule);
    const std::vector<BoundaryRow> rows = computeBoundaries(
        converted.eventType, converted.rateBound, converted.cutoffProbability, max_patients);
    const R_xlen_t count = static_cast<R_xlen_t>(rows.size());
    Rcpp::IntegerVector patients(count);
    Rcpp::IntegerVector boundary(count);
    Rcpp::NumericVector atBoundary(count);
    Rcpp::NumericVector beside(count);
    Rcpp::LogicalVector monotone(count);
    for (R_xlen_t i = 0; i < count; ++i) {
        const BoundaryRow& row = rows[i];
        patients[i] = row.patients;
        boundary[i] = row.boundary.value_or(NA_INTEGER);
        atBoundary[i] = row.boundary ? row.probabilityAtBoundary : NA_REAL;
        beside[i] = row.boundary ? row.probabilityBeside.value_or(NA_REAL) : NA_REAL;
        monotone[i] = row.monotone;
    }
    return Rcpp::DataFrame::create(
        Rcpp::Named("patients") = patients, Rcpp::Named("boundary") = boundary,
        Rcpp::Named("probability_at_boundary") = atBoundary,
        Rcpp::Named("probability_beside") = beside, Rcpp::Named("monotone") = monotone);
}

// [[Rcpp::export]]
std::string design_text_cpp(Rcpp::List values) {
    return designText(values);
}

// Reads a design file with every check of the design companion; the
// messages are its lines.
// [[Rcpp::export]]
Rcpp::List read_design_cpp(std::string file) {
    std::ostringstream messages;
    const std::optional<DesignSettings> design = readDesignFile(file, messages);
    if (!design) {
        return glue::inputError(messages.str());
    }
    return glue::success(glue::designToList(*design));
}

// [[Rcpp::export]]
std::string design_fingerprint_cpp(Rcpp::List design) {
    return designFingerprint(glue::designFromList(design));
}
