#include "glue_conversions.h"

#include <charconv>

#include "config/config.h"

namespace quillmere::glue {

Rcpp::List success(SEXP value) {
    return Rcpp::List::create(Rcpp::Named("value") = value, Rcpp::Named("error") = R_NilValue);
}

namespace {

Rcpp::List errorList(const char* conditionClass, const std::string& text, int exitStatus,
                     int samplerCode) {
    return Rcpp::List::create(
        Rcpp::Named("value") = R_NilValue,
        Rcpp::Named("error") = Rcpp::List::create(
            Rcpp::Named("class") = conditionClass, Rcpp::Named("text") = text,
            Rcpp::Named("exit_status") = exitStatus, Rcpp::Named("sampler_code") = samplerCode));
}

}  // namespace

std::optional<std::uint64_t> seedFromText(const std::string& text) {
    std::uint64_t seed = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, seed);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return seed;
}

std::optional<double> optionalNumber(const Rcpp::List& list, const char* name) {
    if (!list.containsElementNamed(name)) {
        return std::nullopt;
    }
    const Rcpp::NumericVector value = list[name];
    if (value.size() != 1 || Rcpp::NumericVector::is_na(value[0])) {
        return std::nullopt;
    }
    return value[0];
}

Rcpp::List inputError(const std::string& text) {
    return errorList("quillmere_input_error", text, 0, 0);
}

Rcpp::List engineError(const std::string& text) {
    return errorList("quillmere_engine_error", text, 0, 0);
}

Rcpp::List analysisError(const AnalysisError& error) {
    const bool input = error.kind == AnalysisErrorKind::InvalidSettings ||
                       error.kind == AnalysisErrorKind::InvalidData;
    return errorList(input ? "quillmere_input_error" : "quillmere_engine_error", error.text,
                     error.exitStatus, error.samplerCode);
}

std::string eventTypeText(EventType eventType) {
    switch (eventType) {
        case EventType::Toxicity:
            return "Toxicity";
        case EventType::Efficacy:
            return "Efficacy";
        case EventType::DiseaseProgression:
            break;
    }
    return "DiseaseProgression";
}

MonitoringRule ruleFromList(const Rcpp::List& rule) {
    MonitoringRule converted;
    converted.eventType =
        eventTypeNamed(Rcpp::as<std::string>(rule["type"])).value_or(EventType::Toxicity);
    converted.rateBound = Rcpp::as<double>(rule["rate_bound"]);
    converted.cutoffProbability = Rcpp::as<double>(rule["cutoff"]);
    converted.maxEvaluationWindow = Rcpp::as<double>(rule["window"]);
    // A rule list without the hazard options has quillmere's own hazard model.
    converted.hazardPriorShape = optionalNumber(rule, "prior_shape").value_or(0.0);
    if (rule.containsElementNamed("hazard_range")) {
        converted.hazardRange = hazardRangeNamed(Rcpp::as<std::string>(rule["hazard_range"]))
                                    .value_or(HazardRange::Unit);
    }
    return converted;
}

Rcpp::List ruleToList(const MonitoringRule& rule) {
    return Rcpp::List::create(Rcpp::Named("type") = eventTypeText(rule.eventType),
                              Rcpp::Named("rate_bound") = rule.rateBound,
                              Rcpp::Named("cutoff") = rule.cutoffProbability,
                              Rcpp::Named("window") = rule.maxEvaluationWindow,
                              Rcpp::Named("prior_shape") = rule.hazardPriorShape,
                              Rcpp::Named("hazard_range") = hazardRangeName(rule.hazardRange));
}

std::vector<PatientObservation> patientsFromFrame(const Rcpp::List& patients) {
    const Rcpp::CharacterVector ids = patients["id"];
    const Rcpp::IntegerVector events = patients["event"];
    const Rcpp::NumericVector times = patients["time"];
    const Rcpp::NumericVector followUps = patients["follow_up"];
    std::vector<PatientObservation> converted(static_cast<std::size_t>(ids.size()));
    for (R_xlen_t i = 0; i < ids.size(); ++i) {
        converted[i] = {Rcpp::as<std::string>(ids[i]), events[i], times[i], followUps[i]};
    }
    return converted;
}

Rcpp::DataFrame patientsToFrame(const std::vector<PatientObservation>& patients) {
    const R_xlen_t count = static_cast<R_xlen_t>(patients.size());
    Rcpp::CharacterVector ids(count);
    Rcpp::IntegerVector events(count);
    Rcpp::NumericVector times(count);
    Rcpp::NumericVector followUps(count);
    for (R_xlen_t i = 0; i < count; ++i) {
        ids[i] = patients[i].id;
        events[i] = patients[i].eventIndicator;
        times[i] = patients[i].eventTime;
        followUps[i] = patients[i].followUp;
    }
    return Rcpp::DataFrame::create(
        Rcpp::Named("id") = ids, Rcpp::Named("event") = events, Rcpp::Named("time") = times,
        Rcpp::Named("follow_up") = followUps, Rcpp::Named("stringsAsFactors") = false);
}

DesignSettings designFromList(const Rcpp::List& design) {
    DesignSettings settings;
    const MonitoringRule rule = ruleFromList(design["rule"]);
    settings.eventType = rule.eventType;
    settings.rateBound = rule.rateBound;
    settings.cutoffProbability = rule.cutoffProbability;
    settings.maxEvaluationWindow = rule.maxEvaluationWindow;
    settings.hazardPriorShape = rule.hazardPriorShape;
    settings.hazardRange = rule.hazardRange;
    settings.timeUnit =
        findTimeUnit(Rcpp::as<std::string>(design["time_unit"])).value_or(settings.timeUnit);
    settings.maxPatients = Rcpp::as<int>(design["max_patients"]);
    settings.accrualRate = Rcpp::as<double>(design["accrual_rate"]);
    settings.firstLook = Rcpp::as<int>(design["first_look"]);
    settings.lookEvery = Rcpp::as<int>(design["look_every"]);
    settings.minCompleted = Rcpp::as<int>(design["min_completed"]);
    settings.trueRates = Rcpp::as<std::vector<double>>(design["true_rates"]);
    settings.eventTimeShape = Rcpp::as<double>(design["event_time_shape"]);
    settings.trials = Rcpp::as<int>(design["trials"]);
    const std::string seed = Rcpp::as<std::string>(design["seed"]);
    std::from_chars(seed.data(), seed.data() + seed.size(), settings.seed);
    settings.calibrationRate = optionalNumber(design, "calibration_rate");
    settings.maxErrorStop = optionalNumber(design, "max_error_stop");
    // Designs made before the methods existed impute.
    if (design.containsElementNamed("method")) {
        settings.method = lateOutcomeMethodNamed(Rcpp::as<std::string>(design["method"]))
                              .value_or(LateOutcomeMethod::Imputation);
    }
    return settings;
}

Rcpp::List designToList(const DesignSettings& design) {
    const MonitoringRule rule{design.eventType,         design.rateBound,
                              design.cutoffProbability, design.maxEvaluationWindow,
                              design.hazardPriorShape,  design.hazardRange};
    return Rcpp::List::create(
        Rcpp::Named("rule") = ruleToList(rule), Rcpp::Named("time_unit") = design.timeUnit.name,
        Rcpp::Named("max_patients") = design.maxPatients,
        Rcpp::Named("accrual_rate") = design.accrualRate,
        Rcpp::Named("first_look") = design.firstLook, Rcpp::Named("look_every") = design.lookEvery,
        Rcpp::Named("min_completed") = design.minCompleted,
        Rcpp::Named("true_rates") = design.trueRates,
        Rcpp::Named("event_time_shape") = design.eventTimeShape,
        Rcpp::Named("trials") = design.trials, Rcpp::Named("seed") = std::to_string(design.seed),
        Rcpp::Named("calibration_rate") = design.calibrationRate.value_or(NA_REAL),
        Rcpp::Named("max_error_stop") = design.maxErrorStop.value_or(NA_REAL),
        Rcpp::Named("method") = lateOutcomeMethodName(design.method));
}

Rcpp::DataFrame operatingFrame(const std::vector<ScenarioSummary>& summaries) {
    const R_xlen_t count = static_cast<R_xlen_t>(summaries.size());
    Rcpp::IntegerVector scenario(count), trials(count);
    Rcpp::NumericVector rate(count), stop(count), stopError(count), patients(count),
        patientsError(count), duration(count), durationError(count), looks(count), pending(count),
        priorOnly(count), stopLow(count), stopHigh(count);
    for (R_xlen_t i = 0; i < count; ++i) {
        const ScenarioSummary& s = summaries[i];
        scenario[i] = static_cast<int>(i) + 1;
        rate[i] = s.trueRate;
        trials[i] = s.trials;
        stop[i] = s.earlyStop;
        stopError[i] = s.earlyStopError;
        patients[i] = s.meanEnrolled;
        patientsError[i] = s.meanEnrolledError;
        duration[i] = s.meanDuration;
        durationError[i] = s.meanDurationError;
        looks[i] = s.meanLooksRun;
        pending[i] = s.meanPendingPerLook;
        priorOnly[i] = s.priorOnlyShare;
        stopLow[i] = s.earlyStopInterval.low;
        stopHigh[i] = s.earlyStopInterval.high;
    }
    Rcpp::List columns = Rcpp::List::create(
        Rcpp::Named("scenario") = scenario, Rcpp::Named("true_rate") = rate,
        Rcpp::Named("trials") = trials, Rcpp::Named("early_stop_probability") = stop,
        Rcpp::Named("early_stop_se") = stopError, Rcpp::Named("expected_patients") = patients,
        Rcpp::Named("expected_patients_se") = patientsError,
        Rcpp::Named("expected_duration") = duration,
        Rcpp::Named("expected_duration_se") = durationError, Rcpp::Named("mean_looks_run") = looks,
        Rcpp::Named("mean_pending_per_look") = pending,
        Rcpp::Named("prior_only_look_share") = priorOnly,
        Rcpp::Named("early_stop_ci_low") = stopLow, Rcpp::Named("early_stop_ci_high") = stopHigh);
    return Rcpp::DataFrame(columns);
}

Rcpp::List resultToList(const AnalysisResult& result, const MonitoringRule& rule) {
    const double uninformedFrom = result.uninformedFrom.value_or(NA_REAL);
    const Rcpp::CharacterVector warning =
        result.uninformedFrom ? Rcpp::CharacterVector::create(priorOnlyWarning(
                                    *result.uninformedFrom, rule.maxEvaluationWindow))
                              : Rcpp::CharacterVector::create(NA_STRING);
    return Rcpp::List::create(
        Rcpp::Named("probability") = result.reportedProbability,
        Rcpp::Named("posterior") = result.posteriorResult,
        Rcpp::Named("terminate") = result.terminate,
        Rcpp::Named("uninformed_from") = uninformedFrom, Rcpp::Named("warning") = warning,
        Rcpp::Named("hazards") = Rcpp::NumericVector(result.hazards.begin(), result.hazards.end()),
        Rcpp::Named("patients") = result.patientCount, Rcpp::Named("events") = result.eventCount,
        Rcpp::Named("pending") = result.pendingCount,
        Rcpp::Named("notes") = Rcpp::wrap(result.notes));
}

ScenarioOutcomes outcomesFromFrame(const Rcpp::List& replicates, int scenarios) {
    const Rcpp::IntegerVector scenario = replicates["scenario"];
    const Rcpp::IntegerVector stopLook = replicates["stop_look"];
    const Rcpp::IntegerVector enrolled = replicates["enrolled"];
    const Rcpp::NumericVector duration = replicates["duration"];
    const Rcpp::IntegerVector looksRun = replicates["looks_run"];
    const Rcpp::IntegerVector pending = replicates["pending_at_looks"];
    const Rcpp::IntegerVector priorOnly = replicates["prior_only_looks"];
    ScenarioOutcomes outcomes(static_cast<std::size_t>(scenarios));
    for (R_xlen_t i = 0; i < scenario.size(); ++i) {
        outcomes[scenario[i] - 1].push_back(
            {stopLook[i], enrolled[i], duration[i], looksRun[i], pending[i], priorOnly[i]});
    }
    return outcomes;
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

}  // namespace quillmere::glue
