#include <cmath>

#include "engine/engine.h"
#include "engine/hazard_posterior_terms.h"
#include "engine/pending_patient.h"
#include "numeric/numeric.h"

namespace quillmere {

namespace {

constexpr int sweepCount = 3000;
constexpr int burnInSweeps = 1000;
constexpr int thinningInterval = 100;
constexpr double startingHazard = 1.0;
constexpr double startingPreviousValue = 2.0;
// Beta(0.1, 0.2) prior of the event rate.
constexpr double priorEventWeight = 0.1;
constexpr double priorNonEventWeight = 0.2;

bool isRetainedSweep(int sweep) {
    return sweep >= burnInSweeps && sweep % thinningInterval == 0;
}

// The rate bound expressed as a bound on the probability of the event:
// progression-free rate φ means a progression rate of 1 − φ.
double eventRateBound(const TrialData& data, EventType eventType) {
    return eventType == EventType::DiseaseProgression ? 1 - data.rateBound : data.rateBound;
}

// Cumulative hazard over the given exposures, summed in interval order.
// (IEEE multiplication is commutative, so hazard·exposure and exposure·hazard
// give the same bits.)
double cumulativeHazard(const std::array<double, intervalCount>& hazard,
                        const std::array<double, intervalCount>& exposure) {
    double sum = 0.0;
    for (int j = 0; j < intervalCount; ++j) {
        sum += hazard[j] * exposure[j];
    }
    return sum;
}

std::array<double, intervalCount> intervalLengths(const TrialData& data) {
    std::array<double, intervalCount> length{};
    for (int j = 0; j < intervalCount; ++j) {
        length[j] = data.intervalBound[j + 1] - data.intervalBound[j];
    }
    return length;
}

// Number of events in one completed data set: the observed events plus, for
// every pending patient in patient order, an event imputed with the
// probability of an event in (t_i, W] given none by t_i under the current
// hazards. One uniform number is drawn per pending patient.
double completedEventCount(const TrialData& data, UniformGenerator& uniform) {
    const double windowSurvival = std::exp(-cumulativeHazard(data.hazard, intervalLengths(data)));
    double responseCount = 0.0;
    for (int i = 0; i < data.patientCount; ++i) {
        responseCount += data.responseIndicator[i];
        if (!isPendingPatient(data, i)) {
            continue;
        }
        const double survival = std::exp(-cumulativeHazard(data.hazard, data.exposure[i]));
        const double eventProbability = (survival - windowSurvival) / survival;
        if (eventProbability >= nextUniform(uniform)) {
            responseCount += 1.0;
        }
    }
    return responseCount;
}

// Pr(q < x) under the Beta posterior of the completed data set, in single
// precision like the incomplete beta function itself.
float posteriorBelowBound(double responseCount, int patientCount, double bound,
                          NumericNotes& notes) {
    const double a = responseCount + priorEventWeight;
    const double b = (patientCount - responseCount) + priorNonEventWeight;
    return betai(static_cast<float>(a), static_cast<float>(b), static_cast<float>(bound), notes);
}

// The 3000 sweeps, with the log-posterior bound as the caller chose.
int runSweeps(TrialData& data, EventType eventType, EngineState& state,
              const LogDensityBinding& binding) {
    std::array<double, intervalCount> previousValue{};
    data.hazard.fill(startingHazard);
    previousValue.fill(startingPreviousValue);
    int retainedCount = 0;
    double probabilitySum = 0.0;
    const double bound = eventRateBound(data, eventType);

    for (int sweep = 0; sweep < sweepCount; ++sweep) {
        // Systematic scan: each hazard is drawn given the others at their
        // latest values, including those drawn earlier in this sweep.
        for (int j = 0; j < intervalCount; ++j) {
            state.currentHazardIndex = j;
            double sample = previousValue[j];
            const int code = sampleFromLogDensity(state.hazardLowerBound, state.hazardUpperBound,
                                                  binding, previousValue[j], sample, state.rand15);
            if (code > 0) {
                return code;
            }
            previousValue[j] = sample;
            data.hazard[j] = sample;
        }
        if (!isRetainedSweep(sweep)) {
            continue;
        }
        ++retainedCount;
        const double responseCount = completedEventCount(data, state.uniform);
        const float value =
            posteriorBelowBound(responseCount, data.patientCount, bound, state.numericNotes);
        probabilitySum += static_cast<double>(value);
        data.posteriorResult = probabilitySum / retainedCount;
    }
    return 0;
}

}  // namespace

int runGibbsImputation(TrialData& data, EventType eventType, EngineState& state,
                       PosteriorEvaluation evaluation) {
    if (evaluation == PosteriorEvaluation::Literal) {
        HazardPosteriorContext context{&data, &state};
        return runSweeps(data, eventType, state, {&context, hazardLogPosterior});
    }
    // The points the sampler announces are formed ahead, side by side.
    HazardPosteriorTerms terms = prepareHazardPosteriorTerms(data, state);
    return runSweeps(data, eventType, state, fastHazardPosteriorBinding(terms));
}

}  // namespace quillmere
