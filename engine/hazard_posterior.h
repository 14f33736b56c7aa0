#pragma once

#include "engine/engine_state.h"
#include "trial/trial_data.h"

namespace quillmere {

// What hazardLogPosterior sees through its untyped context.
struct HazardPosteriorContext {
    const TrialData* data = nullptr;
    const EngineState* state = nullptr;
};

// Log posterior (up to a constant) of hazard state->currentHazardIndex at x,
// formed term by term as the model states it; the reference evaluation.
double hazardLogPosterior(double x, void* context);

// How the sampler evaluates the hazard log-posterior. Both give the same bits;
// Fast forms each evaluation from terms prepared once per run and per hazard
// (engine/hazard_posterior_terms.h), Literal calls hazardLogPosterior.
enum class PosteriorEvaluation { Fast, Literal };

}  // namespace quillmere
