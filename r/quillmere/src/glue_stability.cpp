// How firm one interim decision is: quillmere's analysis from its fixed
// streams, then the same analysis with independent streams.
#include "glue_conversions.h"
#include "glue_interrupt.h"

using namespace quillmere;

// Runs 1..runs from independentEngineState(seed, run) on `threads` threads,
// after the fixed run; the results do not depend on the thread count.
// [[Rcpp::export]]
Rcpp::List stability_cpp(Rcpp::List rule, Rcpp::List patients, int runs, int threads,
                         std::string seed) {
    const std::optional<std::uint64_t> seedValue = glue::seedFromText(seed);
    if (!seedValue) {
        return glue::inputError("The seed (" + seed +
                                ") must be a whole number from 0 to 18446744073709551615.");
    }
    const AnalysisInput input{glue::ruleFromList(rule), glue::patientsFromFrame(patients)};
    const StabilityPlan plan{runs, threads, *seedValue};
    glue::InterruptWatch watch;
    std::optional<StabilityOutcome> study;
    try {
        study = runStability(input, plan, watch.progress(), watch.request());
    } catch (const std::exception& failure) {
        return glue::engineError(failure.what());
    }
    watch.passOnInterrupt(study.has_value());
    if (!*study) {
        return glue::analysisError(study->error());
    }
    const StabilityStudy& found = study->value();
    const StabilitySummary summary = summariseStability(found);
    const ProportionInterval differing =
        wilsonInterval(summary.differingAdvice, static_cast<long>(found.probabilities.size()));
    Rcpp::IntegerVector run(runs), terminate(runs);
    for (int i = 0; i < runs; ++i) {
        run[i] = i + 1;
        terminate[i] = found.terminates[static_cast<std::size_t>(i)] ? 1 : 0;
    }
    return glue::success(Rcpp::List::create(
        Rcpp::Named("fixed") = glue::resultToList(found.fixed, input.rule),
        Rcpp::Named("runs") = Rcpp::DataFrame::create(
            Rcpp::Named("run") = run, Rcpp::Named("probability") = found.probabilities,
            Rcpp::Named("terminate") = terminate),
        Rcpp::Named("mean") = summary.mean, Rcpp::Named("mean_se") = summary.meanError,
        Rcpp::Named("run_sd") = summary.runDeviation,
        Rcpp::Named("differing_advice") = summary.differingAdvice,
        Rcpp::Named("differing_low") = differing.low,
        Rcpp::Named("differing_high") = differing.high));
}
