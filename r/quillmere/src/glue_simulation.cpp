// Simulation of a design, the operating characteristics of its replicates
// and the replay of one look.
#include <exception>
#include <sstream>
#include <thread>

#include "glue_conversions.h"
#include "glue_interrupt.h"
#include "report/report.h"

using namespace quillmere;

namespace {

Rcpp::DataFrame stopByLookFrame(const DesignSettings& design,
                                const std::vector<ScenarioSummary>& summaries) {
    const int looks = scheduledLookCount(design);
    const R_xlen_t count = static_cast<R_xlen_t>(summaries.size()) * looks;
    Rcpp::IntegerVector scenario(count), look(count), enrolled(count);
    Rcpp::NumericVector rate(count), stop(count), stopError(count), stopLow(count), stopHigh(count);
    R_xlen_t row = 0;
    for (std::size_t s = 0; s < summaries.size(); ++s) {
        for (int l = 1; l <= looks; ++l, ++row) {
            scenario[row] = static_cast<int>(s) + 1;
            rate[row] = summaries[s].trueRate;
            look[row] = l;
            enrolled[row] = enrolledAtLook(design, l);
            stop[row] = summaries[s].stopByLook[l - 1];
            stopError[row] = summaries[s].stopByLookError[l - 1];
            stopLow[row] = summaries[s].stopByLookInterval[l - 1].low;
            stopHigh[row] = summaries[s].stopByLookInterval[l - 1].high;
        }
    }
    return Rcpp::DataFrame::create(
        Rcpp::Named("scenario") = scenario, Rcpp::Named("true_rate") = rate,
        Rcpp::Named("look") = look, Rcpp::Named("patients_enrolled") = enrolled,
        Rcpp::Named("stop_probability") = stop, Rcpp::Named("stop_probability_se") = stopError,
        Rcpp::Named("stop_probability_ci_low") = stopLow,
        Rcpp::Named("stop_probability_ci_high") = stopHigh);
}

// The columns of late_outcomes.csv.
Rcpp::DataFrame lateOutcomeFrame(const DesignSettings& design,
                                 const std::vector<LateOutcomeSummary>& summaries) {
    const R_xlen_t count = static_cast<R_xlen_t>(summaries.size());
    Rcpp::IntegerVector scenario(count), trials(count);
    Rcpp::CharacterVector method(count);
    Rcpp::NumericVector rate(count), duration(count), durationError(count), overrun(count),
        overrunError(count), share(count), shareError(count), shareLow(count), shareHigh(count);
    for (R_xlen_t i = 0; i < count; ++i) {
        const LateOutcomeSummary& s = summaries[i];
        scenario[i] = static_cast<int>(i) + 1;
        rate[i] = s.trueRate;
        trials[i] = s.trials;
        method[i] = lateOutcomeMethodName(design.method);
        duration[i] = s.duration.mean;
        durationError[i] = s.duration.error;
        overrun[i] = s.overrun.mean;
        overrunError[i] = s.overrun.error;
        share[i] = s.overrunShare;
        shareError[i] = s.overrunShareError;
        shareLow[i] = s.overrunShareInterval.low;
        shareHigh[i] = s.overrunShareInterval.high;
    }
    Rcpp::List columns = Rcpp::List::create(
        Rcpp::Named("scenario") = scenario, Rcpp::Named("true_rate") = rate,
        Rcpp::Named("trials") = trials, Rcpp::Named("method") = method,
        Rcpp::Named("expected_duration") = duration,
        Rcpp::Named("expected_duration_se") = durationError,
        Rcpp::Named("expected_overrun") = overrun,
        Rcpp::Named("expected_overrun_se") = overrunError, Rcpp::Named("overrun_share") = share,
        Rcpp::Named("overrun_share_se") = shareError,
        Rcpp::Named("overrun_share_ci_low") = shareLow,
        Rcpp::Named("overrun_share_ci_high") = shareHigh);
    Rcpp::DataFrame frame(columns);
    return frame;
}

Rcpp::List lookResultToList(const LookResult& result) {
    return Rcpp::List::create(Rcpp::Named("probability") = result.reportedProbability,
                              Rcpp::Named("terminate") = result.terminate,
                              Rcpp::Named("prior_only") = result.priorOnly);
}

}  // namespace

// Replicates first..last (counted from 1) of every scenario, on `threads`
// threads; the outcomes do not depend on the thread count. With a time scale
// other than 1 the looks are analysed with every time of the design
// multiplied by it (the same patients written in another unit).
// [[Rcpp::export]]
Rcpp::List simulate_cpp(Rcpp::List design, int first, int last, int threads,
                        double time_scale = 1.0) {
    const SimulationPlan plan{glue::designFromList(design), time_scale};
    glue::InterruptWatch watch;
    std::optional<ScenarioOutcomes> run;
    try {
        run =
            runSimulation(plan, {first - 1, last - 1}, threads, watch.progress(), watch.request());
    } catch (const std::exception& failure) {
        return glue::engineError(failure.what());
    }
    watch.passOnInterrupt(run.has_value());
    const ScenarioOutcomes& outcomes = *run;
    const R_xlen_t perScenario = last - first + 1;
    const R_xlen_t count = static_cast<R_xlen_t>(outcomes.size()) * perScenario;
    Rcpp::IntegerVector scenario(count), replicate(count), stopLook(count), enrolled(count),
        looksRun(count), pending(count), priorOnly(count);
    Rcpp::NumericVector duration(count);
    R_xlen_t row = 0;
    for (std::size_t s = 0; s < outcomes.size(); ++s) {
        for (R_xlen_t r = 0; r < perScenario; ++r, ++row) {
            const TrialOutcome& o = outcomes[s][r];
            scenario[row] = static_cast<int>(s) + 1;
            replicate[row] = first + static_cast<int>(r);
            stopLook[row] = o.stopLook;
            enrolled[row] = o.enrolled;
            duration[row] = o.duration;
            looksRun[row] = o.looksRun;
            pending[row] = o.pendingAtLooks;
            priorOnly[row] = o.priorOnlyLooks;
        }
    }
    return glue::success(Rcpp::DataFrame::create(
        Rcpp::Named("scenario") = scenario, Rcpp::Named("replicate") = replicate,
        Rcpp::Named("stop_look") = stopLook, Rcpp::Named("enrolled") = enrolled,
        Rcpp::Named("duration") = duration, Rcpp::Named("looks_run") = looksRun,
        Rcpp::Named("pending_at_looks") = pending, Rcpp::Named("prior_only_looks") = priorOnly));
}

// The operating characteristics, the stopping by look and the late outcomes
// of all replicates (sorted by scenario, then replicate), reduced in
// replicate order, with the companion's tables of them.
// [[Rcpp::export]]
Rcpp::List summarise_cpp(Rcpp::List design, Rcpp::List replicates) {
    const DesignSettings settings = glue::designFromList(design);
    const SimulationSummaries summaries = summariseSimulation(
        settings, glue::outcomesFromFrame(replicates, static_cast<int>(settings.trueRates.size())));
    std::ostringstream tables;
    writeOperatingTable(tables, summaries.scenarios);
    writeStopByLookTable(tables, settings, summaries.scenarios);
    writeLateOutcomeTable(tables, settings, summaries.lateOutcomes);
    return Rcpp::List::create(
        Rcpp::Named("oc") = glue::operatingFrame(summaries.scenarios),
        Rcpp::Named("by_look") = stopByLookFrame(settings, summaries.scenarios),
        Rcpp::Named("late_outcomes") = lateOutcomeFrame(settings, summaries.lateOutcomes),
        Rcpp::Named("tables") = tables.str());
}

// One look of one replicate (all counted from 1) as the simulation ran it:
// its patients and what the simulation decided; when the simulation did not
// run that look, the looks it ran and where the trial stopped.
// [[Rcpp::export]]
Rcpp::List replay_cpp(Rcpp::List design, int scenario, int replicate, int look) {
    const SimulationPlan plan{glue::designFromList(design), 1.0};
    std::vector<TrialData> work(1);
    std::vector<LookTrace> trace;
    TrialOutcome outcome;
    try {
        outcome = simulateTrial(plan, scenario - 1, replicate - 1, work[0], &trace);
    } catch (const std::exception& failure) {
        return glue::engineError(failure.what());
    }
    Rcpp::IntegerVector looksRun;
    for (const LookTrace& run : trace) {
        looksRun.push_back(run.look);
        if (run.look != look) {
            continue;
        }
        const AnalysisInput input = lookInput(run.snapshot.patients, analysisSettings(plan));
        return glue::success(Rcpp::List::create(
            Rcpp::Named("found") = true, Rcpp::Named("rule") = glue::ruleToList(input.rule),
            Rcpp::Named("patients") = glue::patientsToFrame(input.patients),
            Rcpp::Named("enrolled") = run.snapshot.enrolled,
            Rcpp::Named("time") = run.snapshot.time, Rcpp::Named("pending") = run.snapshot.pending,
            Rcpp::Named("simulated") = lookResultToList(run.result)));
    }
    return glue::success(
        Rcpp::List::create(Rcpp::Named("found") = false, Rcpp::Named("looks_run") = looksRun,
                           Rcpp::Named("stop_look") = outcome.stopLook,
                           Rcpp::Named("scheduled_looks") = scheduledLookCount(plan.design)));
}

// The cores of the machine (1 when it cannot tell), the default number of
// threads of the design companion and of the package's long runs.
// [[Rcpp::export]]
int machine_cores_cpp() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}
