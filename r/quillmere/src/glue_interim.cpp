// The interim analysis report of a trial directory: the same page as
// quillmere-design interim writes, given back as text for the R side to
// write.
#include <sstream>

#include "glue_conversions.h"
#include "glue_interrupt.h"
#include "report/report.h"

using namespace quillmere;

// The page, with the rule and patients read from the directory so that the
// R side can tell whether they still are those of its trial object.
// [[Rcpp::export]]
Rcpp::List interim_report_cpp(std::string directory, int answer, int runs, int threads,
                              std::string seed, std::string sensitivity, std::string version,
                              std::string outputName) {
    const std::optional<std::uint64_t> seedValue = glue::seedFromText(seed);
    if (!seedValue) {
        return glue::inputError("The seed (" + seed +
                                ") must be a whole number from 0 to 18446744073709551615.");
    }
    HazardOptionList options;
    if (!sensitivity.empty()) {
        options = hazardOptionsNamed(sensitivity);
        if (!options.problem.empty()) {
            return glue::inputError(options.problem);
        }
    }
    const InterimRequest request{directory, answer, {runs, threads, *seedValue}, options.options};
    glue::InterruptWatch watch;
    std::optional<InterimOutcome> made;
    try {
        made = makeInterimReport(request, watch.progress(), watch.request());
    } catch (const std::exception& failure) {
        return glue::engineError(failure.what());
    }
    watch.passOnInterrupt(made.has_value());
    if (!*made) {
        return glue::analysisError(made->error());
    }
    const InterimReport& report = made->value();
    std::ostringstream page;
    writeInterimPage(page, report, {version, outputName});
    return glue::success(Rcpp::List::create(
        Rcpp::Named("html") = page.str(), Rcpp::Named("rule") = glue::ruleToList(report.input.rule),
        Rcpp::Named("patients") = glue::patientsToFrame(report.input.patients)));
}
