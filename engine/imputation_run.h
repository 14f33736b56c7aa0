#pragma once

#include <array>
#include <span>

#include "engine/engine_state.h"
#include "engine/hazard_posterior.h"
#include "engine/hazard_posterior_terms.h"
#include "numeric/arms_sampler.h"
#include "trial/trial_data.h"

namespace quillmere {

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
    double eventRateBound = 0.0;
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
// points of its first sampler call.
void startImputation(ImputationRun& run, TrialData& data, EventType eventType, EngineState& state,
                     PosteriorEvaluation evaluation = PosteriorEvaluation::Fast);

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

}  // namespace quillmere
