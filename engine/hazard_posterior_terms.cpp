#include "engine/hazard_posterior_terms.h"

#include <bit>
#include <cmath>

namespace quillmere {

namespace {

bool isFinitePositive(double value) {
    return value > 0.0 && std::isfinite(value);
}

// Forms the stored terms of interval j with hazard lambda: the reference's
// expression with the logarithm taken once.
void formIntervalTerms(HazardPosteriorTerms& terms, int j, double lambda) {
    const double logLambda = std::log(lambda);
    for (const std::size_t cell : terms.cellsOfInterval[j]) {
        terms.term[cell] = terms.eventIndicator[cell] * logLambda - lambda * terms.exposure[cell];
    }
    terms.termHazardBits[j] = std::bit_cast<std::uint64_t>(lambda);
    terms.termsFormed[j] = true;
}

// Brings the stored terms of every interval but k up to the current hazards;
// false when some hazard lies outside the values the skipped cells need.
bool refreshStoredTerms(HazardPosteriorTerms& terms, int k) {
    const auto& hazard = terms.source.data->hazard;
    for (int j = 0; j < intervalCount; ++j) {
        if (j == k) {
            continue;
        }
        if (!isFinitePositive(hazard[j])) {
            return false;
        }
        if (!terms.termsFormed[j] ||
            terms.termHazardBits[j] != std::bit_cast<std::uint64_t>(hazard[j])) {
            formIntervalTerms(terms, j, hazard[j]);
        }
    }
    return true;
}

// The running totals over the stored cells, in summation order, with the
// cells of interval k formed at each x[b]; every point has its own total and
// receives the same additions in the same order as a single evaluation.
template <std::size_t N>
std::array<double, N> logLikelihoods(const HazardPosteriorTerms& terms, int k,
                                     const std::array<double, N>& x,
                                     const std::array<double, N>& logX) {
    const double* term = terms.term.data();
    const double* exposure = terms.exposure.data();
    const double* eventIndicator = terms.eventIndicator.data();
    std::array<double, N> sum;
    sum.fill(0.0);
    std::size_t cell = 0;
    for (const std::size_t variableCell : terms.cellsOfInterval[k]) {
        for (; cell < variableCell; ++cell) {
            for (std::size_t b = 0; b < N; ++b) {
                sum[b] += term[cell];
            }
        }
        for (std::size_t b = 0; b < N; ++b) {
            sum[b] += eventIndicator[cell] * logX[b] - x[b] * exposure[cell];
        }
        ++cell;
    }
    for (const std::size_t end = terms.term.size(); cell < end; ++cell) {
        for (std::size_t b = 0; b < N; ++b) {
            sum[b] += term[cell];
        }
    }
    return sum;
}

bool sameHazards(const std::array<std::uint64_t, intervalCount>& bits, const TrialData& data,
                 int k) {
    for (int j = 0; j < intervalCount; ++j) {
        if (j != k && bits[j] != std::bit_cast<std::uint64_t>(data.hazard[j])) {
            return false;
        }
    }
    return true;
}

// The foreseen log-likelihood at x, if one was formed for this index and
// these hazards.
const double* foreseenLogLikelihood(const HazardPosteriorTerms& terms, int k, double x) {
    if (terms.foreseenCount == 0 || terms.foreseenIndex != k ||
        !sameHazards(terms.foreseenHazardBits, *terms.source.data, k)) {
        return nullptr;
    }
    for (int b = 0; b < terms.foreseenCount; ++b) {
        if (std::bit_cast<std::uint64_t>(terms.foreseenX[b]) == std::bit_cast<std::uint64_t>(x)) {
            return &terms.foreseenLogLikelihood[b];
        }
    }
    return nullptr;
}

}  // namespace

HazardPosteriorTerms prepareHazardPosteriorTerms(const TrialData& data, const EngineState& state) {
    HazardPosteriorTerms terms;
    terms.source = {&data, &state};
    for (int i = 0; i < data.patientCount; ++i) {
        for (int j = 0; j < intervalCount; ++j) {
            const int delta = data.delta[i][j];
            const double exposure = data.exposure[i][j];
            if (delta == 0 && exposure == 0.0) {
                continue;  // its term is ±0 and cannot change the sum
            }
            terms.cellsOfInterval[j].push_back(terms.exposure.size());
            terms.exposure.push_back(exposure);
            terms.eventIndicator.push_back(delta);
        }
    }
    terms.term.resize(terms.exposure.size());
    return terms;
}

double fastHazardLogPosterior(double x, void* context) {
    auto& terms = *static_cast<HazardPosteriorTerms*>(context);
    const int k = terms.source.state->currentHazardIndex;
    if (!isFinitePositive(x) || !refreshStoredTerms(terms, k)) {
        return hazardLogPosterior(x, &terms.source);
    }
    const TrialData& data = *terms.source.data;
    const double logX = std::log(x);
    const double* foreseen = foreseenLogLikelihood(terms, k, x);
    const double logLikelihood =
        foreseen != nullptr ? *foreseen : logLikelihoods<1>(terms, k, {x}, {logX})[0];
    const double shape = terms.source.state->hazardPriorShape[k];
    const double mean = k == 0 ? data.lambda0 : data.hazard[k - 1];
    const double prior = logX * (shape - 1) - (shape / mean) * x;
    return logLikelihood + prior;
}

void foreseeEvaluations(HazardPosteriorTerms& terms, const std::array<double, 4>& abscissae,
                        double previousValue) {
    terms.foreseenCount = 0;
    const int k = terms.source.state->currentHazardIndex;
    const std::array<double, HazardPosteriorTerms::maxForeseen> points{
        abscissae[0], abscissae[1], abscissae[2], abscissae[3], previousValue};
    for (const double point : points) {
        if (!isFinitePositive(point)) {
            return;
        }
    }
    if (!refreshStoredTerms(terms, k)) {
        return;
    }
    std::array<double, HazardPosteriorTerms::maxForeseen> logPoints{};
    for (std::size_t b = 0; b < points.size(); ++b) {
        logPoints[b] = std::log(points[b]);
    }
    terms.foreseenLogLikelihood = logLikelihoods(terms, k, points, logPoints);
    terms.foreseenX = points;
    terms.foreseenIndex = k;
    for (int j = 0; j < intervalCount; ++j) {
        terms.foreseenHazardBits[j] = std::bit_cast<std::uint64_t>(terms.source.data->hazard[j]);
    }
    terms.foreseenCount = HazardPosteriorTerms::maxForeseen;
}

}  // namespace quillmere
