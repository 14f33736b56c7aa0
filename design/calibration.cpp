#include "design/calibration.h"

#include <algorithm>
#include <cmath>

#include "design/look_schedule.h"
#include "design/text_format.h"
#include "numeric/number_text.h"

namespace quillmere {
namespace {

// The design with every calibration rate as a scenario.
DesignSettings calibrationDesign(const DesignSettings& design) {
    DesignSettings extended = design;
    extended.trueRates = calibrationRates(design);
    // No probability exceeds 1: with this cut-off every look is run.
    extended.cutoffProbability = 1.0;
    return extended;
}

ReplicateLooks allLooks(const DesignSettings& design, int scenario, int replicate,
                        TrialData& work) {
    std::vector<LookTrace> trace;
    const TrialOutcome end = simulateTrial({design, 1.0}, scenario, replicate, work, &trace);
    ReplicateLooks looks;
    looks.completionDuration = end.duration;
    for (const LookTrace& look : trace) {
        const int enrolled = look.snapshot.enrolled;
        looks.looks.push_back({look.look, enrolled, look.result.reportedProbability,
                               look.snapshot.pending, look.result.priorOnly, look.snapshot.time});
    }
    return looks;
}

}  // namespace

std::vector<double> calibrationRates(const DesignSettings& design) {
    std::vector<double> rates = design.trueRates;
    if (design.calibrationRate &&
        std::find(rates.begin(), rates.end(), *design.calibrationRate) == rates.end()) {
        rates.push_back(*design.calibrationRate);
    }
    return rates;
}

int calibrationScenario(const DesignSettings& design) {
    const std::vector<double> rates = calibrationRates(design);
    const auto found = std::find(rates.begin(), rates.end(), design.calibrationRate.value_or(-1));
    return static_cast<int>(found - rates.begin());
}

std::optional<CalibrationLooks> runCalibrationSimulation(const DesignSettings& design,
                                                         ReplicateRange range, int threads,
                                                         const ProgressCallback& progress,
                                                         const StopRequest* stop) {
    const DesignSettings extended = calibrationDesign(design);
    const int scenarios = static_cast<int>(extended.trueRates.size());
    CalibrationLooks looks(scenarios, std::vector<ReplicateLooks>(range.size()));
    const long perScenario = range.size();
    const bool complete = runTaskPool(
        scenarios * perScenario, threads, progress,
        [&](long task, TrialData& work) {
            const int scenario = static_cast<int>(task / perScenario);
            const int offset = static_cast<int>(task % perScenario);
            looks[scenario][offset] = allLooks(extended, scenario, range.first + offset, work);
        },
        stop);
    return complete ? std::optional<CalibrationLooks>(std::move(looks)) : std::nullopt;
}

TrialOutcome outcomeAtCutoff(const ReplicateLooks& replicate, double cutoff, int maxPatients) {
    TrialOutcome outcome;
    for (const LookProbability& look : replicate.looks) {
        ++outcome.looksRun;
        outcome.pendingAtLooks += look.pending;
        outcome.priorOnlyLooks += look.priorOnly ? 1 : 0;
        if (look.probability > cutoff) {
            outcome.stopLook = look.look;
            outcome.enrolled = look.enrolled;
            outcome.duration = look.stopDuration;
            return outcome;
        }
    }
    outcome.enrolled = maxPatients;
    outcome.duration = replicate.completionDuration;
    return outcome;
}

std::vector<double> changingCutoffs(const CalibrationLooks& looks) {
    std::vector<double> cutoffs;
    for (const std::vector<ReplicateLooks>& scenario : looks) {
        for (const ReplicateLooks& replicate : scenario) {
            double highest = -1.0;
            for (const LookProbability& look : replicate.looks) {
                if (look.probability > highest) {
                    highest = look.probability;
                    if (highest > 0.0 && highest < 1.0) {
                        cutoffs.push_back(highest);
                    }
                }
            }
        }
    }
    std::sort(cutoffs.begin(), cutoffs.end());
    cutoffs.erase(std::unique(cutoffs.begin(), cutoffs.end()), cutoffs.end());
    return cutoffs;
}

CalibrationResult calibrate(const DesignSettings& design, const CalibrationLooks& looks) {
    CalibrationResult result;
    result.rates = calibrationRates(design);
    result.cutoffs = changingCutoffs(looks);
    result.calibrationScenario = calibrationScenario(design);
    const int lookCount = scheduledLookCount(design);
    for (std::size_t c = 0; c < result.cutoffs.size(); ++c) {
        std::vector<ScenarioSummary> row;
        for (std::size_t s = 0; s < looks.size(); ++s) {
            std::vector<TrialOutcome> outcomes;
            outcomes.reserve(looks[s].size());
            for (const ReplicateLooks& replicate : looks[s]) {
                outcomes.push_back(
                    outcomeAtCutoff(replicate, result.cutoffs[c], design.maxPatients));
            }
            row.push_back(summariseScenario(result.rates[s], outcomes, lookCount));
        }
        const bool meetsLimit =
            design.calibrationRate && design.maxErrorStop &&
            row[static_cast<std::size_t>(result.calibrationScenario)].earlyStop <=
                *design.maxErrorStop;
        if (meetsLimit && !result.chosen) {
            result.chosen = c;
        }
        result.summaries.push_back(std::move(row));
    }
    return result;
}

CutoffInterval cutoffInterval(const CalibrationResult& result, std::size_t c) {
    return {result.cutoffs.at(c), c + 1 < result.cutoffs.size() ? result.cutoffs[c + 1] : 1.0};
}

std::string shortDecimalWithin(double low, double high) {
    // Candidates are checked by reading them back, so an inexact scaling
    // of low only moves where the search starts.
    double scale = 1.0;
    for (int digits = 1; digits <= 17; ++digits) {
        scale *= 10.0;
        const long long start = static_cast<long long>(std::floor(low * scale)) - 1;
        for (long long units = std::max(start, 0LL); units <= start + 3; ++units) {
            // Zero-padded to one digit before the point: 5 with 2 digits is 0.05.
            std::string text = formatted("%0*lld", digits + 1, units);
            text.insert(text.size() - static_cast<std::size_t>(digits), 1, '.');
            double value = 0.0;
            numberFromChars(text.data(), text.data() + text.size(), value);
            if (value >= low && value < high) {
                return text;
            }
        }
    }
    return {};
}

}  // namespace quillmere
