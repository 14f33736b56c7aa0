#pragma once

// The two expressions the hazard log-posterior is made of, shared by the
// reference evaluation and the fast one so that both form them alike.
#include "engine/engine.h"

namespace quillmere {

// The log-likelihood term of one cell: delta·ln(lambda) - lambda·e, with
// ln(lambda) given.
inline double likelihoodTerm(double delta, double logLambda, double lambda, double exposure) {
    return delta * logLambda - lambda * exposure;
}

// The gamma prior kernel of hazard k at x, with ln(x) given: shape a_k and
// mean m_k, lambda0 for the first interval and, for the others, the
// preceding interval's hazard or lambda0 as the state's prior means say.
inline double hazardLogPrior(const TrialData& data, const EngineState& state, int k, double x,
                             double logX) {
    const double shape = state.hazardPriorShape[k];
    const bool chained = state.hazardPriorMeans == HazardPriorMeans::Chained;
    const double mean = k == 0 || !chained ? data.lambda0 : data.hazard[k - 1];
    return logX * (shape - 1) - (shape / mean) * x;
}

}  // namespace quillmere
