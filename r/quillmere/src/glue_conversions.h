#pragma once

// Conversions between the R package's lists and the library's records, and
// the one shape every call into the library returns to R: a list holding
// either `value` or `error` (the condition class, the console text, the exit
// status and the sampler code), which the R side turns into a condition.
#include <Rcpp.h>

#include <cstdint>
#include <optional>
#include <string>

#include "analysis/analysis.h"
#include "design/design.h"

namespace quillmere::glue {

Rcpp::List success(SEXP value);
Rcpp::List inputError(const std::string& text);
Rcpp::List engineError(const std::string& text);
Rcpp::List analysisError(const AnalysisError& error);

// "Toxicity", "Efficacy" or "DiseaseProgression": the configuration's names.
std::string eventTypeText(EventType eventType);

// A qm_rule list (type, rate_bound, cutoff, window, prior_shape,
// hazard_range) into the rule; the values have been checked on the R side
// already.
MonitoringRule ruleFromList(const Rcpp::List& rule);
Rcpp::List ruleToList(const MonitoringRule& rule);

// A patients data frame (id, event, time, follow_up) and back.
std::vector<PatientObservation> patientsFromFrame(const Rcpp::List& patients);
Rcpp::DataFrame patientsToFrame(const std::vector<PatientObservation>& patients);

// A seed given as its digits, 0 to 2^64 - 1; nothing for any other text.
std::optional<std::uint64_t> seedFromText(const std::string& text);

// A number of a list that may be absent, NULL or NA.
std::optional<double> optionalNumber(const Rcpp::List& list, const char* name);

// A qm_design list into the design settings, and back.
DesignSettings designFromList(const Rcpp::List& design);
Rcpp::List designToList(const DesignSettings& design);

// The analysis result as qm_decide's list (the prior-only warning in the
// program's words when it applies).
Rcpp::List resultToList(const AnalysisResult& result, const MonitoringRule& rule);

// The operating characteristics of the scenarios, with the columns of
// operating_characteristics.csv.
Rcpp::DataFrame operatingFrame(const std::vector<ScenarioSummary>& summaries);

// The replicates table of a simulation (sorted by scenario, then
// replicate) back into the outcomes of each scenario.
ScenarioOutcomes outcomesFromFrame(const Rcpp::List& replicates, int scenarios);

// The look table of a calibration back into the looks of each replicate.
CalibrationLooks looksFromFrame(const DesignSettings& design, const Rcpp::List& frame);

}  // namespace quillmere::glue
