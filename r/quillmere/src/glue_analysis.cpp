// The monitoring rule's checks, the reading of a trial directory, the
// analysis of one look and the package's check of its own arithmetic.
#include <memory>

#include "config/config.h"
#include "glue_conversions.h"
#include "numeric/number_text.h"

using namespace quillmere;

// The problems of a rule's values, one line each (ending in a line end), in
// the order the configuration check gives them and then those of the hazard
// options; empty when there are none.
// [[Rcpp::export]]
std::string rule_problems_cpp(std::string type, double rate_bound, double cutoff, double window,
                              double prior_shape, std::string hazard_range) {
    std::string problems;
    if (const std::optional<std::string> problem = trialTypeProblem(type)) {
        problems += *problem + "\n";
    }
    problems += ruleValueProblems(rate_bound, cutoff, window);
    if (const std::optional<std::string> problem = hazardPriorShapeProblem(prior_shape)) {
        problems += *problem + "\n";
    }
    if (!hazardRangeNamed(hazard_range)) {
        problems +=
            "The Hazard Range was set to (" + hazard_range + "). Limit inputs to unit or window.\n";
    }
    return problems;
}

// Whether quillmere computes what the analysis does under the rule.
// [[Rcpp::export]]
bool console_hazard_model_cpp(Rcpp::List rule) {
    return hasConsoleHazardModel(glue::ruleFromList(rule));
}

// [[Rcpp::export]]
Rcpp::List read_trial_cpp(std::string directory, int answer) {
    const InputOutcome read = readTrialDirectory(directory, answer);
    if (!read) {
        return glue::analysisError(read.error());
    }
    const AnalysisInput& input = read.value();
    return glue::success(
        Rcpp::List::create(Rcpp::Named("rule") = glue::ruleToList(input.rule),
                           Rcpp::Named("patients") = glue::patientsToFrame(input.patients)));
}

// [[Rcpp::export]]
Rcpp::List decide_cpp(Rcpp::List rule, Rcpp::List patients) {
    const AnalysisInput input{glue::ruleFromList(rule), glue::patientsFromFrame(patients)};
    const AnalysisOutcome outcome = analyse(input);
    if (!outcome) {
        return glue::analysisError(outcome.error());
    }
    return glue::success(glue::resultToList(outcome.value(), input.rule));
}

// Every field of the result of a reference trial, exactly (one line each),
// for the load-time check: compiler flags can change the arithmetic
// (contraction into fused multiply-adds, fast-math), and such a build must
// not compute.
// [[Rcpp::export]]
Rcpp::List self_check_cpp(std::string directory, int answer) {
    const InputOutcome read = readTrialDirectory(directory, answer);
    if (!read) {
        return glue::analysisError(read.error());
    }
    const AnalysisOutcome outcome = analyse(read.value());
    if (!outcome) {
        return glue::analysisError(outcome.error());
    }
    return glue::success(Rcpp::wrap(analysisResultText(outcome.value())));
}

// The engine on a rule and patients without the input checks, for the tests
// of the engine's error path: the checks keep every input that would make the
// sampler fail away from it.
// [[Rcpp::export]]
Rcpp::List decide_unchecked_cpp(Rcpp::List rule, Rcpp::List patients) {
    const AnalysisInput input{glue::ruleFromList(rule), glue::patientsFromFrame(patients)};
    const auto data = std::make_unique<TrialData>();
    fillTrialRecord(*data, input);
    EngineState state;
    const AnalysisOutcome outcome = analyseFilledRecord(*data, input.rule, state);
    if (!outcome) {
        return glue::analysisError(outcome.error());
    }
    return glue::success(glue::resultToList(outcome.value(), input.rule));
}

// quillmere's checks of a rule and patients typed in R, in its order: the
// first failure, or nothing.
// [[Rcpp::export]]
Rcpp::List check_input_cpp(Rcpp::List rule, Rcpp::List patients) {
    const AnalysisInput input{glue::ruleFromList(rule), glue::patientsFromFrame(patients)};
    if (const std::optional<AnalysisError> problem = checkAnalysisInput(input)) {
        return glue::analysisError(*problem);
    }
    return glue::success(R_NilValue);
}
