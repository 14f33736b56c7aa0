// The time units a design is compared in, and the paired comparison of the
// looks the design's own unit runs.
#include <exception>

#include "config/config.h"
#include "glue_conversions.h"
#include "glue_interrupt.h"

using namespace quillmere;

// The units asked for, each with the factor that turns the design's times
// into it, the design's own unit first when it is not among them; checked as
// the design companion's units command checks them.
// [[Rcpp::export]]
Rcpp::List unit_plan_cpp(Rcpp::List design, std::vector<std::string> names) {
    const DesignSettings settings = glue::designFromList(design);
    std::vector<std::string> units;
    std::vector<double> factors;
    bool hasDesignUnit = false;
    for (const std::string& name : names) {
        const std::optional<TimeUnit> unit = findTimeUnit(name);
        if (!unit) {
            return glue::inputError("Unknown time unit (" + name +
                                    "). Limit inputs to hours, days, weeks, months or years.");
        }
        const double factor = conversionFactor(settings.timeUnit, *unit);
        const double window = settings.maxEvaluationWindow * factor;
        if (const std::optional<std::string> problem = evaluationWindowLimitProblem(window)) {
            return glue::inputError("In " + unit->name + ": " + *problem);
        }
        hasDesignUnit = hasDesignUnit || unit->name == settings.timeUnit.name;
        units.push_back(unit->name);
        factors.push_back(factor);
    }
    if (!hasDesignUnit) {
        units.insert(units.begin(), settings.timeUnit.name);
        factors.insert(factors.begin(), 1.0);
    }
    // The window in each unit, and the floor the sampling range puts on a
    // pending patient's imputed event probability over it.
    std::vector<double> windows;
    std::vector<double> floors;
    for (const double factor : factors) {
        const AnalysisSettings analysis = analysisSettings({settings, factor});
        windows.push_back(analysis.maxEvaluationWindow);
        floors.push_back(imputationFloor(analysis));
    }
    return glue::success(Rcpp::List::create(
        Rcpp::Named("unit") = units, Rcpp::Named("factor") = factors,
        Rcpp::Named("window") = windows, Rcpp::Named("imputation_floor") = floors));
}

// The looks the design's own unit runs in the first `replicates` trials of
// every scenario, analysed again in every unit: per unit and scenario the
// number of looks, the mean reported probability and the decisions other
// than in the design's unit.
// [[Rcpp::export]]
Rcpp::List same_looks_cpp(Rcpp::List design, std::vector<double> factors, int replicates,
                          int threads) {
    const DesignSettings settings = glue::designFromList(design);
    glue::InterruptWatch watch;
    std::optional<SameLookTable> compared;
    try {
        compared = compareSameLooks(settings, factors, replicates, threads, watch.progress(),
                                    watch.request());
    } catch (const std::exception& failure) {
        return glue::engineError(failure.what());
    }
    watch.passOnInterrupt(compared.has_value());
    const SameLookTable& table = *compared;
    Rcpp::IntegerVector unit, scenario, looks, differing;
    Rcpp::NumericVector rate, meanProbability;
    for (std::size_t u = 0; u < table.size(); ++u) {
        for (std::size_t s = 0; s < table[u].size(); ++s) {
            const SameLookFigures& figures = table[u][s];
            unit.push_back(static_cast<int>(u) + 1);
            scenario.push_back(static_cast<int>(s) + 1);
            rate.push_back(settings.trueRates[s]);
            looks.push_back(static_cast<int>(figures.looks));
            meanProbability.push_back(figures.looks > 0 ? figures.probabilitySum / figures.looks
                                                        : 0.0);
            differing.push_back(static_cast<int>(figures.differingDecisions));
        }
    }
    return glue::success(
        Rcpp::DataFrame::create(Rcpp::Named("unit") = unit, Rcpp::Named("scenario") = scenario,
                                Rcpp::Named("true_rate") = rate, Rcpp::Named("looks") = looks,
                                Rcpp::Named("mean_reported_probability") = meanProbability,
                                Rcpp::Named("differing_decisions") = differing));
}
