#pragma once

#include <array>
#include <optional>
#include <span>

#include "engine/engine_state.h"
#include "engine/hazard_posterior.h"
#include "engine/hazard_posterior_terms.h"
#include "numeric/arms_sampler.h"
#include "trial/trial_data.h"

namespace quillmere {

// Completed data sets whose posterior probabilities are averaged: sweeps
// 1000, 1100, ..., 2900.
inline constexpr int retainedSweepCount = 20;

// How far a run goes. Everything: all 3000 sweeps, after which the record
// holds the final hazards the console program reports. PosteriorResult: up
// to the last retained sweep; the sweeps after it move only the hazards, so
// the posterior result is the same. Advice: only until the advice against
// `cutoffProbability` is certain whatever the sweeps still to come give (see
// settledAdvice); the record's posteriorResult is then not the run's result,
// `settledTermination` is.
enum class RunExtent { Everything, PosteriorResult, Advice };

struct RunGoal {
    RunExtent extent = RunExtent::Everything;
    double cutoffProbability = 0.0;  // for Advice
};

// One imputation run, the Gibbs sampler's 3000 sweeps over a record, taken in
// steps: a step ends wherever the current sampler call announces the points
// it will evaluate next (see ArmsCall). Runs on different records and states
// share nothing, so one thread can advance several of them together and form
// their announced points side by side (foreseeTogether), which gives exactly
// what each run gives alone. The record and state a run was started with
// must outlive it; the run keeps its sampler call's storage from call to call.
struct ImputationRun {
    TrialData* data = nullptr;
    EngineState* state = nullptr;
    PosteriorEvaluation evaluation = PosteriorEvaluation::Fast;
    EventType eventType = EventType::Toxicity;
    double eventRateBound = 0.0;
    RunGoal goal;
    // Advice: the least and greatest value one retained sweep can add (none
    // when a value could be NaN, and the run goes on to the end).
    std::optional<std::array<double, 2>> sweepValueRange;
    std::optional<bool> settledTermination;
    HazardPosteriorContext literal;
    HazardPosteriorTerms terms;
    ArmsCall call;
    std::array<double, intervalCount> previousValue{};
    int sweep = 0;
    int retainedCount = 0;
    double probabilitySum = 0.0;
    bool finished = false;
    int result = 0;  // once finished: 0, or the sampler's error code (> 0)
};

// Starts a run on a record with its exposure table; it first announces the
// points of its first sampler call. A run whose advice is certain from the
// start makes no sweep at all.
void startImputation(ImputationRun& run, TrialData& data, EventType eventType, EngineState& state,
                     PosteriorEvaluation evaluation = PosteriorEvaluation::Fast, RunGoal goal = {});

// The points the run evaluates next (empty once finished).
std::span<const double> announcedPoints(const ImputationRun& run);

// Runs on until the next announcement or the end; at the end the record holds
// the hazards and posteriorResult, as after runGibbsImputation.
void continueImputation(ImputationRun& run);

// Forms the announced points of every unfinished run that evaluates Fast, in
// one pass over all their cells. Each value keeps its own running total with
// the additions in the order of a single evaluation, so every run continues
// exactly as if it had been announced alone.
void foreseeTogether(std::span<ImputationRun* const> runs, ForesightScratch& scratch);

// The least and greatest posterior probability one completed data set of the
// record can give: its event count is the observed events plus any number
// of the pending patients, so there are only that many values. None when one
// of them is NaN.
std::optional<std::array<double, 2>> sweepValueRange(const TrialData& data, double eventRateBound);

// Whether the advice on the final mean is the same whatever the retained
// sweeps still to come add, given the running sum over `retained` of them
// and the range of a single value: each IEEE addition and the division are
// monotone, so the final mean lies between the means formed with the least
// and with the greatest value added in their place, in the same order. The
// advice (true: terminate) when both ends give the same, else none.
std::optional<bool> settledAdvice(double sum, int retained, std::array<double, 2> valueRange,
                                  EventType eventType, double cutoffProbability);

}  // namespace quillmere
