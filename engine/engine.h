#pragma once

// Bayesian engine: the interval exposure table, the hazard log-posterior and
// the imputation sampler. Pure computation on a TrialData record: no console,
// no files.
#include <optional>

#include "engine/engine_state.h"
#include "trial/trial_data.h"

namespace quillmere {

// Fills exposure and delta for patients 0..patientCount-1.
void computeExposureTable(TrialData& data);

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

// Gibbs sampler with multiple imputation; leaves hazard and posteriorResult in
// the record. Returns 0, or the sampler's error code (> 0) that stopped it.
int runGibbsImputation(TrialData& data, EventType eventType, EngineState& state,
                       PosteriorEvaluation evaluation = PosteriorEvaluation::Fast);

// The first interval in which no patient has been followed at all (zero total
// exposure) while some pending patient's remaining window reaches into it:
// from intervalBound[j] on, the data say nothing and the imputation rests on
// the prior alone. Empty when there is no such interval. Needs the exposure
// table.
std::optional<int> firstUninformedInterval(const TrialData& data);

}  // namespace quillmere
