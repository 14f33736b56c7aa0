#include "engine/hazard_posterior_terms.h"

#include <bit>
#include <cmath>

#include "engine/hazard_posterior_parts.h"

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
        terms.term[cell] =
            likelihoodTerm(terms.eventIndicator[cell], logLambda, lambda, terms.exposure[cell]);
    }
    terms.termHazardBits[j] = std::bit_cast<std::uint64_t>(lambda);
}

bool formedWithCurrentHazard(const HazardPosteriorTerms& terms, int j) {
    return terms.termHazardBits[j] == std::bit_cast<std::uint64_t>(terms.source.data->hazard[j]);
}

// Brings the stored terms of every interval but k up to the current hazards
// (all finite and positive, so never the +0.0 of terms not yet formed).
void refreshStoredTerms(HazardPosteriorTerms& terms, int k) {
    for (int j = 0; j < intervalCount; ++j) {
        if (j != k && !formedWithCurrentHazard(terms, j)) {
            formIntervalTerms(terms, j, terms.source.data->hazard[j]);
        }
    }
}

bool storedTermsCurrent(const HazardPosteriorTerms& terms, int k) {
    for (int j = 0; j < intervalCount; ++j) {
        if (j != k && !formedWithCurrentHazard(terms, j)) {
            return false;
        }
    }
    return true;
}

// Makes the stored terms and the running total before interval k's first
// cell fit the current index and hazards; values formed ahead for other
// hazards are dropped. False when some hazard lies outside the values the
// skipped cells need.
bool bringUpToDate(HazardPosteriorTerms& terms, int k) {
    const TrialData& data = *terms.source.data;
    if (terms.passFormed && terms.passIndex == k && storedTermsCurrent(terms, k)) {
        return true;
    }
    for (int j = 0; j < intervalCount; ++j) {
        if (j != k && !isFinitePositive(data.hazard[j])) {
            return false;
        }
    }
    refreshStoredTerms(terms, k);
    const auto& variableCells = terms.cellsOfInterval[k];
    terms.prefixEnd = variableCells.empty() ? terms.term.size() : variableCells.front();
    double sum = 0.0;
    for (std::size_t cell = 0; cell < terms.prefixEnd; ++cell) {
        sum += terms.term[cell];
    }
    terms.prefixSum = sum;
    terms.passIndex = k;
    terms.foreseenCount = 0;
    terms.passFormed = true;
    return true;
}

// The running totals over the stored cells, in summation order, with the
// cells of interval k formed at each x[b]; every point has its own total and
// receives the same additions in the same order as a single evaluation. The
// totals start from the one up to interval k's first cell.
template <std::size_t N>
std::array<double, N> logLikelihoods(const HazardPosteriorTerms& terms, int k,
                                     const std::array<double, N>& x,
                                     const std::array<double, N>& logX) {
    const double* term = terms.term.data();
    const double* exposure = terms.exposure.data();
    const double* eventIndicator = terms.eventIndicator.data();
    std::array<double, N> sum;
    sum.fill(terms.prefixSum);
    std::size_t cell = terms.prefixEnd;
    for (const std::size_t variableCell : terms.cellsOfInterval[k]) {
        for (; cell < variableCell; ++cell) {
            for (std::size_t b = 0; b < N; ++b) {
                sum[b] += term[cell];
            }
        }
        for (std::size_t b = 0; b < N; ++b) {
            sum[b] += likelihoodTerm(eventIndicator[cell], logX[b], x[b], exposure[cell]);
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

// Forms the values at the first N usable points ahead.
template <std::size_t N>
void formAhead(HazardPosteriorTerms& terms, int k,
               const std::array<double, HazardPosteriorTerms::maxForeseen>& points) {
    std::array<double, N> x{};
    std::array<double, N> logX{};
    for (std::size_t b = 0; b < N; ++b) {
        x[b] = points[b];
        logX[b] = std::log(points[b]);
    }
    const std::array<double, N> values = logLikelihoods(terms, k, x, logX);
    for (std::size_t b = 0; b < N; ++b) {
        terms.foreseenX[b] = x[b];
        terms.foreseenLogX[b] = logX[b];
        terms.foreseenLogLikelihood[b] = values[b];
    }
    terms.foreseenCount = static_cast<int>(N);
}

// Where the values formed ahead at x are kept, or -1; bringUpToDate has
// dropped those of other indices and hazards.
int foreseenPoint(const HazardPosteriorTerms& terms, double x) {
    for (int b = 0; b < terms.foreseenCount; ++b) {
        if (std::bit_cast<std::uint64_t>(terms.foreseenX[b]) == std::bit_cast<std::uint64_t>(x)) {
            return b;
        }
    }
    return -1;
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
    if (!isFinitePositive(x) || !bringUpToDate(terms, k)) {
        return hazardLogPosterior(x, &terms.source);
    }
    const TrialData& data = *terms.source.data;
    // The logarithm of a point formed ahead was taken then: the same
    // argument gives the same bits.
    const int foreseen = foreseenPoint(terms, x);
    const double logX = foreseen >= 0 ? terms.foreseenLogX[foreseen] : std::log(x);
    const double logLikelihood = foreseen >= 0 ? terms.foreseenLogLikelihood[foreseen]
                                               : logLikelihoods<1>(terms, k, {x}, {logX})[0];
    return logLikelihood + hazardLogPrior(data, *terms.source.state, k, x, logX);
}

void foreseeHazardLogPosterior(std::span<const double> points, void* context) {
    auto& terms = *static_cast<HazardPosteriorTerms*>(context);
    const int k = terms.source.state->currentHazardIndex;
    if (!bringUpToDate(terms, k)) {
        return;
    }
    std::array<double, HazardPosteriorTerms::maxForeseen> usable{};
    std::size_t count = 0;
    for (const double point : points) {
        if (count < usable.size() && isFinitePositive(point)) {
            usable[count++] = point;
        }
    }
    switch (count) {
        case 1:
            formAhead<1>(terms, k, usable);
            break;
        case 2:
            formAhead<2>(terms, k, usable);
            break;
        case 3:
            formAhead<3>(terms, k, usable);
            break;
        case 4:
            formAhead<4>(terms, k, usable);
            break;
        case 5:
            formAhead<5>(terms, k, usable);
            break;
        default:
            terms.foreseenCount = 0;
            break;
    }
}

LogDensityBinding fastHazardPosteriorBinding(HazardPosteriorTerms& terms) {
    return {&terms, fastHazardLogPosterior, foreseeHazardLogPosterior};
}

}  // namespace quillmere
