#pragma once

// Bayesian engine: the interval exposure table, the hazard log-posterior and
// the imputation sampler. Pure computation on a TrialData record: no console,
// no files.
#include <optional>

#include "engine/engine_state.h"
#include "engine/hazard_posterior.h"
#include "engine/imputation_run.h"
#include "trial/trial_data.h"

namespace quillmere {

// Fills exposure and delta for patients 0..patientCount-1.
void computeExposureTable(TrialData& data);

// Gibbs sampler with multiple imputation; leaves hazard and posteriorResult in
// the record. Returns 0, or the sampler's error code (> 0) that stopped it.
// An ImputationRun taken through all its steps, one after another.
int runGibbsImputation(TrialData& data, EventType eventType, EngineState& state,
                       PosteriorEvaluation evaluation = PosteriorEvaluation::Fast);

// The first interval in which no patient has been followed at all (zero total
// exposure) while some pending patient's remaining window reaches into it:
// from intervalBound[j] on, the data say nothing and the imputation rests on
// the prior alone. Empty when there is no such interval. Needs the exposure
// table.
std::optional<int> firstUninformedInterval(const TrialData& data);

}  // namespace quillmere
