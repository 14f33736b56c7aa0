#include <cmath>

#include "engine/engine.h"
#include "engine/hazard_posterior_parts.h"
#include "numeric/numeric.h"

namespace quillmere {

// The posterior of hazard k given the other five: a gamma prior kernel with
// shape a_k and mean m_k (lambda0 for the first interval, the preceding
// interval's hazard for the others) times the piecewise exponential
// likelihood of all patients. Every term is formed anew at each call, patients
// in index order and intervals in index order within a patient; this is the
// reference form against which any faster evaluation must agree to the bit.
double hazardLogPosterior(double x, void* context) {
    const auto& posterior = *static_cast<const HazardPosteriorContext*>(context);
    const TrialData& data = *posterior.data;
    const int k = posterior.state->currentHazardIndex;

    std::array<double, intervalCount> lambda = data.hazard;
    lambda[k] = x;

    const double prior = hazardLogPrior(data, *posterior.state, k, x, quillmere::log(x));

    double logLikelihood = 0.0;
    for (int i = 0; i < data.patientCount; ++i) {
        for (int j = 0; j < intervalCount; ++j) {
            logLikelihood += likelihoodTerm(data.delta[i][j], quillmere::log(lambda[j]), lambda[j],
                                            data.exposure[i][j]);
        }
    }
    return logLikelihood + prior;
}

}  // namespace quillmere
