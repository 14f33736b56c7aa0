#include "design/look_comparison.h"

#include <cmath>

#include "analysis/analysis.h"
#include "design/trial_simulation.h"
#include "numeric/numeric.h"

namespace quillmere {

double imputationFloor(const AnalysisSettings& settings) {
    return -quillmere::expm1(-hazardBounds(settings).lower * settings.maxEvaluationWindow);
}

double imputationCeiling(const AnalysisSettings& settings) {
    return -quillmere::expm1(-hazardBounds(settings).upper * settings.maxEvaluationWindow);
}

namespace {

// One trial's looks in every unit.
std::vector<SameLookFigures> compareTrialLooks(const DesignSettings& design,
                                               const std::vector<double>& factors, int scenario,
                                               int replicate, TrialData& work) {
    const SimulationPlan own{design, 1.0};
    std::vector<LookTrace> trace;
    simulateTrial(own, scenario, replicate, work, &trace);
    const std::vector<SimulatedPatient> cohort = replicateCohort(design, scenario, replicate);
    std::vector<SameLookFigures> figures(factors.size());
    for (std::size_t u = 0; u < factors.size(); ++u) {
        const AnalysisSettings settings = analysisSettings({design, factors[u]});
        const std::vector<SimulatedPatient> scaled = scaledCohort(cohort, factors[u]);
        for (const LookTrace& look : trace) {
            // In the design's own unit the looks were analysed just now.
            LookResult result = look.result;
            if (factors[u] != 1.0) {
                const LookSnapshot snapshot =
                    takeSnapshot(scaled, look.snapshot.enrolled, settings.maxEvaluationWindow);
                fillTrialRecord(work, snapshot.patients, settings);
                result = analyseRecord(work, settings);
            }
            ++figures[u].looks;
            figures[u].probabilitySum += result.reportedProbability;
            figures[u].differingDecisions += result.terminate != look.result.terminate ? 1 : 0;
        }
    }
    return figures;
}

}  // namespace

std::optional<SameLookTable> compareSameLooks(const DesignSettings& design,
                                              const std::vector<double>& factors, int replicates,
                                              int threads, const ProgressCallback& progress,
                                              const StopRequest* stop) {
    const long scenarios = static_cast<long>(design.trueRates.size());
    std::vector<std::vector<SameLookFigures>> byTask(scenarios * replicates);
    const bool complete = runTaskPool(
        scenarios * replicates, threads, progress,
        [&](long task, TrialData& work) {
            byTask[task] = compareTrialLooks(design, factors, static_cast<int>(task / replicates),
                                             static_cast<int>(task % replicates), work);
        },
        stop);
    if (!complete) {
        return std::nullopt;
    }
    SameLookTable table(factors.size(), std::vector<SameLookFigures>(scenarios));
    for (long task = 0; task < scenarios * replicates; ++task) {
        for (std::size_t u = 0; u < factors.size(); ++u) {
            SameLookFigures& sum = table[u][task / replicates];
            sum.looks += byTask[task][u].looks;
            sum.probabilitySum += byTask[task][u].probabilitySum;
            sum.differingDecisions += byTask[task][u].differingDecisions;
        }
    }
    return table;
}

}  // namespace quillmere
