#include <algorithm>
#include <cmath>

#include "engine/engine.h"
#include "engine/hazard_posterior_terms.h"
#include "engine/imputation_run.h"
#include "engine/pending_patient.h"
#include "numeric/numeric.h"
#include "trial/decision.h"

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

constexpr bool isRetainedSweep(int sweep) {
    return sweep >= burnInSweeps && sweep % thinningInterval == 0;
}

constexpr int countRetainedSweeps() {
    int count = 0;
    for (int sweep = 0; sweep < sweepCount; ++sweep) {
        count += isRetainedSweep(sweep) ? 1 : 0;
    }
    return count;
}
static_assert(countRetainedSweeps() == retainedSweepCount);

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
    const double windowSurvival =
        quillmere::exp(-cumulativeHazard(data.hazard, intervalLengths(data)));
    double responseCount = 0.0;
    for (int i = 0; i < data.patientCount; ++i) {
        responseCount += data.responseIndicator[i];
        if (!isPendingPatient(data, i)) {
            continue;
        }
        const double survival = quillmere::exp(-cumulativeHazard(data.hazard, data.exposure[i]));
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

void startHazardCall(ImputationRun& run, int j) {
    run.state->currentHazardIndex = j;
    startArmsCall(run.call, run.state->hazardLowerBound, run.state->hazardUpperBound,
                  run.previousValue[j]);
}

// Whether the run has done what its goal asks, given the retained sweeps so
// far; an Advice run that has keeps its advice.
bool goalReached(ImputationRun& run) {
    switch (run.goal.extent) {
        case RunExtent::Everything:
            return false;
        case RunExtent::PosteriorResult:
            return run.retainedCount == retainedSweepCount;
        case RunExtent::Advice:
            if (run.sweepValueRange) {
                run.settledTermination =
                    settledAdvice(run.probabilitySum, run.retainedCount, *run.sweepValueRange,
                                  run.eventType, run.goal.cutoffProbability);
            }
            return run.settledTermination.has_value();
    }
    return false;
}

// The end of a sweep: at a retained one, one completed data set and its
// posterior probability join the running mean. Whether the run is finished.
bool closeSweep(ImputationRun& run) {
    TrialData& data = *run.data;
    const bool retained = isRetainedSweep(run.sweep);
    if (retained) {
        ++run.retainedCount;
        const double responseCount = completedEventCount(data, run.state->uniform);
        const float value = posteriorBelowBound(responseCount, data.patientCount,
                                                run.eventRateBound, run.state->numericNotes);
        run.probabilitySum += static_cast<double>(value);
        data.posteriorResult = run.probabilitySum / run.retainedCount;
    }
    ++run.sweep;
    return run.sweep == sweepCount || (retained && goalReached(run));
}

LogDensityBinding posteriorBinding(ImputationRun& run) {
    if (run.evaluation == PosteriorEvaluation::Literal) {
        return {&run.literal, hazardLogPosterior};
    }
    // The points the sampler announces are formed ahead, side by side.
    return fastHazardPosteriorBinding(run.terms);
}

}  // namespace

std::optional<std::array<double, 2>> sweepValueRange(const TrialData& data, double eventRateBound) {
    int observedEvents = 0;
    int pending = 0;
    for (int i = 0; i < data.patientCount; ++i) {
        observedEvents += data.responseIndicator[i];
        pending += isPendingPatient(data, i) ? 1 : 0;
    }
    // Remarks of these trial evaluations are not the run's.
    NumericNotes unshown;
    std::array<double, 2> range = {INFINITY, -INFINITY};
    for (int imputed = 0; imputed <= pending; ++imputed) {
        const double value = posteriorBelowBound(observedEvents + imputed, data.patientCount,
                                                 eventRateBound, unshown);
        if (std::isnan(value)) {
            return std::nullopt;
        }
        range = {std::min(range[0], value), std::max(range[1], value)};
    }
    return range;
}

std::optional<bool> settledAdvice(double sum, int retained, std::array<double, 2> valueRange,
                                  EventType eventType, double cutoffProbability) {
    double least = sum;
    double greatest = sum;
    for (int still = retained; still < retainedSweepCount; ++still) {
        least += valueRange[0];
        greatest += valueRange[1];
    }
    const auto advice = [&](double finalSum) {
        return advisesTermination(reportedProbability(eventType, finalSum / retainedSweepCount),
                                  cutoffProbability);
    };
    const bool atLeast = advice(least);
    if (atLeast != advice(greatest)) {
        return std::nullopt;
    }
    return atLeast;
}

void startImputation(ImputationRun& run, TrialData& data, EventType eventType, EngineState& state,
                     PosteriorEvaluation evaluation, RunGoal goal) {
    run.data = &data;
    run.state = &state;
    run.evaluation = evaluation;
    run.eventType = eventType;
    run.eventRateBound = eventRateBound(data, eventType);
    run.goal = goal;
    run.sweepValueRange.reset();
    run.settledTermination.reset();
    run.literal = {&data, &state};
    if (evaluation == PosteriorEvaluation::Fast) {
        run.terms = prepareHazardPosteriorTerms(data, state);
    }
    data.hazard.fill(startingHazard);
    run.previousValue.fill(startingPreviousValue);
    run.sweep = 0;
    run.retainedCount = 0;
    run.probabilitySum = 0.0;
    run.finished = false;
    run.result = 0;
    if (goal.extent == RunExtent::Advice) {
        data.posteriorResult = NAN;
        run.sweepValueRange = sweepValueRange(data, run.eventRateBound);
        if (goalReached(run)) {
            run.finished = true;
            return;
        }
    }
    startHazardCall(run, 0);
}

std::span<const double> announcedPoints(const ImputationRun& run) {
    if (run.finished) {
        return {};
    }
    return announcedPoints(run.call);
}

// Systematic scan: each hazard is drawn given the others at their latest
// values, including those drawn earlier in this sweep.
void continueImputation(ImputationRun& run) {
    if (run.finished) {
        return;
    }
    continueArmsCall(run.call, posteriorBinding(run), run.state->rand15);
    if (run.call.stage != ArmsStage::Finished) {
        return;
    }
    if (run.call.result > 0) {
        run.result = run.call.result;
        run.finished = true;
        return;
    }
    const int j = run.state->currentHazardIndex;
    run.previousValue[j] = run.call.sample;
    run.data->hazard[j] = run.call.sample;
    if (j + 1 < intervalCount) {
        startHazardCall(run, j + 1);
        return;
    }
    if (closeSweep(run)) {
        run.finished = true;
        return;
    }
    startHazardCall(run, 0);
}

void foreseeTogether(std::span<ImputationRun* const> runs, ForesightScratch& scratch) {
    scratch.requests.clear();
    for (ImputationRun* run : runs) {
        if (!run->finished && run->evaluation == PosteriorEvaluation::Fast) {
            const std::span<const double> points = announcedPoints(*run);
            scratch.requests.push_back(
                {&run->terms, points, std::span(run->call.announcedValues.data(), points.size())});
        }
    }
    foreseeHazardLogPosteriors(scratch.requests, scratch);
    std::size_t request = 0;
    for (ImputationRun* run : runs) {
        if (!run->finished && run->evaluation == PosteriorEvaluation::Fast) {
            run->call.valuesGiven = scratch.requests[request++].formed;
        }
    }
}

int runGibbsImputation(TrialData& data, EventType eventType, EngineState& state,
                       PosteriorEvaluation evaluation) {
    ImputationRun run;
    startImputation(run, data, eventType, state, evaluation);
    while (!run.finished) {
        announceToBinding(run.call, posteriorBinding(run));
        continueImputation(run);
    }
    return run.result;
}

}  // namespace quillmere
