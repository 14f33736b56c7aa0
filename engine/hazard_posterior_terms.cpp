#include "engine/hazard_posterior_terms.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/hazard_posterior_parts.h"

namespace quillmere {

namespace {

std::uint64_t bitsOf(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

bool isFinitePositive(double value) {
    return value > 0.0 && std::isfinite(value);
}

// ln x for a finite positive x, from the memo when it was taken before.
double memoLog(LogarithmMemo& memo, double x) {
    const std::uint64_t bits = bitsOf(x);
    // The top bits of a multiplicative hash pick the slot.
    const std::size_t slot = (bits * 0x9E3779B97F4A7C15u) >> 60;
    static_assert(LogarithmMemo::size == 16);
    if (memo.argumentBits[slot] != bits) {
        memo.argumentBits[slot] = bits;
        memo.logarithm[slot] = std::log(x);
    }
    return memo.logarithm[slot];
}

// Forms the stored terms of interval j with hazard lambda: the reference's
// expression with the logarithm taken once.
void formIntervalTerms(HazardPosteriorTerms& terms, int j, double lambda) {
    const double logLambda = memoLog(terms.logarithms, lambda);
    for (const std::size_t cell : terms.cellsOfInterval[j]) {
        terms.term[cell] =
            likelihoodTerm(terms.eventIndicator[cell], logLambda, lambda, terms.exposure[cell]);
    }
    terms.termHazardBits[j] = bitsOf(lambda);
}

bool formedWithCurrentHazard(const HazardPosteriorTerms& terms, int j) {
    return terms.termHazardBits[j] == bitsOf(terms.source.data->hazard[j]);
}

// Brings the stored terms of every interval but k up to the current hazards
// (all finite and positive, so never the +0.0 of terms not formed).
void refreshStoredTerms(HazardPosteriorTerms& terms, int k) {
    for (int j = 0; j < intervalCount; ++j) {
        if (j != k && !formedWithCurrentHazard(terms, j)) {
            formIntervalTerms(terms, j, terms.source.data->hazard[j]);
        }
    }
}

// Whether the pass was formed for index k and the current hazards.
bool passCurrent(const HazardPosteriorTerms& terms, int k) {
    const auto& hazard = terms.source.data->hazard;
    std::uint64_t difference = 0;
    for (int j = 0; j < intervalCount; ++j) {
        difference |= terms.passHazardBits[j] ^ bitsOf(hazard[j]);
    }
    return terms.passFormed && terms.passIndex == k && difference == 0;
}

// Point 5: before the values formed ahead are dropped, the one at the point
// that has since become hazard k is kept with the hazards it was formed at.
// When none is, the value kept before stays: it may still fit (the chain
// stayed where it was).
void keepAcceptedValue(HazardPosteriorTerms& terms) {
    if (!terms.passFormed) {
        return;
    }
    const int k = terms.passIndex;
    const std::uint64_t accepted = bitsOf(terms.source.data->hazard[k]);
    for (int b = 0; b < terms.foreseenCount; ++b) {
        if (bitsOf(terms.foreseenX[b]) == accepted) {
            terms.knownHazardBits = terms.passHazardBits;
            terms.knownHazardBits[k] = accepted;
            terms.knownLogLikelihood = terms.foreseenLogLikelihood[b];
            terms.knownValid = true;
            return;
        }
    }
}

// Makes the stored terms and the running total before interval k's first
// cell fit the current index and hazards; values formed ahead for other
// hazards are dropped. False when some hazard lies outside the values the
// skipped cells need.
bool bringUpToDate(HazardPosteriorTerms& terms, int k) {
    const TrialData& data = *terms.source.data;
    if (passCurrent(terms, k)) {
        return true;
    }
    for (int j = 0; j < intervalCount; ++j) {
        if (j != k && !isFinitePositive(data.hazard[j])) {
            return false;
        }
    }
    keepAcceptedValue(terms);
    refreshStoredTerms(terms, k);
    const auto& variableCells = terms.cellsOfInterval[k];
    terms.prefixEnd = variableCells.empty() ? terms.term.size() : variableCells.front();
    double sum = 0.0;
    for (std::size_t cell = 0; cell < terms.prefixEnd; ++cell) {
        sum += terms.term[cell];
    }
    terms.prefixSum = sum;
    terms.passIndex = k;
    for (int j = 0; j < intervalCount; ++j) {
        terms.passHazardBits[j] = bitsOf(data.hazard[j]);
    }
    terms.foreseenCount = 0;
    terms.passFormed = true;
    return true;
}

// Whether the kept value (point 5) was formed at the current hazards other
// than k.
bool knownFitsOtherHazards(const HazardPosteriorTerms& terms, int k) {
    if (!terms.knownValid) {
        return false;
    }
    for (int j = 0; j < intervalCount; ++j) {
        if (j != k && terms.knownHazardBits[j] != bitsOf(terms.source.data->hazard[j])) {
            return false;
        }
    }
    return true;
}

// Brings the request's terms up to date and takes its usable points (at most
// maxForeseen finite positive ones) in place of the values formed before:
// each with its logarithm and, unless its value is the kept one, as a chain
// still to be summed.
void addChains(const ForesightRequest& request, std::vector<ForesightChain>& chains) {
    HazardPosteriorTerms& terms = *request.terms;
    const int k = terms.source.state->currentHazardIndex;
    if (!bringUpToDate(terms, k)) {
        return;
    }
    const bool knownFits = knownFitsOtherHazards(terms, k);
    terms.foreseenCount = 0;
    for (const double point : request.points) {
        if (terms.foreseenCount == HazardPosteriorTerms::maxForeseen || !isFinitePositive(point)) {
            continue;
        }
        const int slot = terms.foreseenCount++;
        terms.foreseenX[slot] = point;
        terms.foreseenLogX[slot] = memoLog(terms.logarithms, point);
        if (knownFits && bitsOf(point) == terms.knownHazardBits[k]) {
            terms.foreseenLogLikelihood[slot] = terms.knownLogLikelihood;
            continue;
        }
        chains.push_back({&terms, slot, nullptr, terms.term.size() - terms.prefixEnd});
    }
}

// Which recurring point x is, or -1.
int recurringPoint(const HazardPosteriorTerms& terms, double x) {
    for (int r = 0; r < terms.recurringCount; ++r) {
        if (terms.recurringBits[r] == bitsOf(x)) {
            return r;
        }
    }
    return -1;
}

// Forms interval k's terms at the chain's point into its row (taken from
// those formed once when the point recurs).
void formVariableTerms(const ForesightChain& chain, double* row) {
    const HazardPosteriorTerms& terms = *chain.terms;
    const double x = terms.foreseenX[chain.slot];
    const std::vector<std::size_t>& cells = terms.cellsOfInterval[terms.passIndex];
    double* shifted = row - terms.prefixEnd;
    if (const int r = recurringPoint(terms, x); r >= 0) {
        const double* formed = terms.recurringTerm.data() + r * terms.term.size();
        for (const std::size_t cell : cells) {
            shifted[cell] = formed[cell];
        }
        return;
    }
    const double logX = terms.foreseenLogX[chain.slot];
    for (const std::size_t cell : cells) {
        shifted[cell] = likelihoodTerm(terms.eventIndicator[cell], logX, x, terms.exposure[cell]);
    }
}

// Gives every chain its row: the first chain of each terms its stored terms,
// interval k's overwritten (and so marked unset), every further one a copy
// in the scratch rows.
void layOutRows(std::vector<ForesightChain>& chains, std::vector<double>& copies) {
    std::size_t copied = 0;
    for (std::size_t c = 1; c < chains.size(); ++c) {
        if (chains[c].terms == chains[c - 1].terms) {
            copied += chains[c].length;
        }
    }
    if (copies.size() < copied) {
        copies.resize(copied);
    }
    double* copy = copies.data();
    for (std::size_t c = 0; c < chains.size(); ++c) {
        ForesightChain& chain = chains[c];
        HazardPosteriorTerms& terms = *chain.terms;
        double* stored = terms.term.data() + terms.prefixEnd;
        if (c == 0 || chains[c - 1].terms != chain.terms) {
            terms.termHazardBits[terms.passIndex] = 0;
            chain.row = stored;
            formVariableTerms(chain, stored);
            continue;
        }
        std::copy_n(stored, chain.length, copy);
        formVariableTerms(chain, copy);
        chain.row = copy;
        copy += chain.length;
    }
}

// Totals formed together in one loop.
constexpr std::size_t chainsPerBlock = 4;
using BlockSums = std::array<double, chainsPerBlock>;
using BlockRows = std::array<const double*, chainsPerBlock>;

// Adds cells from..to-1 of the first `width` rows, each to its own total.
template <std::size_t width>
void addCells(BlockSums& sum, const BlockRows& row, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        for (std::size_t c = 0; c < width; ++c) {
            sum[c] += row[c][i];
        }
    }
}

void addCells(std::size_t width, BlockSums& sum, const BlockRows& row, std::size_t from,
              std::size_t to) {
    static_assert(chainsPerBlock == 4);
    switch (width) {
        case 4:
            addCells<4>(sum, row, from, to);
            break;
        case 3:
            addCells<3>(sum, row, from, to);
            break;
        case 2:
            addCells<2>(sum, row, from, to);
            break;
        default:
            addCells<1>(sum, row, from, to);
            break;
    }
}

// Longest first.
void sortByLength(std::span<ForesightChain> chains) {
    for (std::size_t c = 1; c < chains.size(); ++c) {
        const ForesightChain chain = chains[c];
        std::size_t place = c;
        for (; place > 0 && chains[place - 1].length < chain.length; --place) {
            chains[place] = chains[place - 1];
        }
        chains[place] = chain;
    }
}

// Sums up to chainsPerBlock chains, longest first: all of them while every
// row has cells, then the longer ones on. Each total starts from its running
// total up to interval k's first cell and receives its row's cells in
// summation order: exactly the additions of a single evaluation.
void sumBlock(std::span<ForesightChain> chains) {
    sortByLength(chains);
    BlockSums sum{};
    BlockRows row{};
    for (std::size_t c = 0; c < chains.size(); ++c) {
        sum[c] = chains[c].terms->prefixSum;
        row[c] = chains[c].row;
    }
    std::size_t done = 0;
    for (std::size_t width = chains.size(); width > 0; --width) {
        const std::size_t end = chains[width - 1].length;
        if (end > done) {
            addCells(width, sum, row, done, end);
            done = end;
        }
    }
    for (std::size_t c = 0; c < chains.size(); ++c) {
        chains[c].terms->foreseenLogLikelihood[chains[c].slot] = sum[c];
    }
}

// Where the value formed ahead at x is kept, or -1; bringUpToDate has
// dropped those of other indices and hazards.
int foreseenPoint(const HazardPosteriorTerms& terms, double x) {
    for (int b = 0; b < terms.foreseenCount; ++b) {
        if (bitsOf(terms.foreseenX[b]) == bitsOf(x)) {
            return b;
        }
    }
    return -1;
}

}  // namespace

HazardPosteriorTerms prepareHazardPosteriorTerms(const TrialData& data, const EngineState& state,
                                                 std::span<const double> recurringPoints) {
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
    for (const double x : recurringPoints) {
        if (terms.recurringCount == HazardPosteriorTerms::maxRecurring || !isFinitePositive(x)) {
            continue;
        }
        terms.recurringBits[terms.recurringCount++] = bitsOf(x);
        const double logX = std::log(x);
        for (std::size_t cell = 0; cell < terms.term.size(); ++cell) {
            terms.recurringTerm.push_back(
                likelihoodTerm(terms.eventIndicator[cell], logX, x, terms.exposure[cell]));
        }
    }
    return terms;
}

void foreseeHazardLogPosteriors(std::span<const ForesightRequest> requests,
                                ForesightScratch& scratch) {
    scratch.chains.clear();
    for (const ForesightRequest& request : requests) {
        addChains(request, scratch.chains);
    }
    // Rows are laid out while the chains of each terms are still together.
    layOutRows(scratch.chains, scratch.rows);
    const std::span<ForesightChain> chains = scratch.chains;
    for (std::size_t first = 0; first < chains.size(); first += chainsPerBlock) {
        sumBlock(chains.subspan(first, std::min(chainsPerBlock, chains.size() - first)));
    }
}

void foreseeHazardLogPosterior(std::span<const double> points, void* context) {
    auto& terms = *static_cast<HazardPosteriorTerms*>(context);
    const ForesightRequest request{&terms, points};
    foreseeHazardLogPosteriors(std::span(&request, 1), terms.scratch);
}

double fastHazardLogPosterior(double x, void* context) {
    auto& terms = *static_cast<HazardPosteriorTerms*>(context);
    const int k = terms.source.state->currentHazardIndex;
    if (!isFinitePositive(x) || !bringUpToDate(terms, k)) {
        return hazardLogPosterior(x, &terms.source);
    }
    int foreseen = foreseenPoint(terms, x);
    if (foreseen < 0) {
        // Not announced: formed alone, in place of the values formed ahead.
        foreseeHazardLogPosterior(std::span(&x, 1), &terms);
        foreseen = 0;
    }
    const TrialData& data = *terms.source.data;
    return terms.foreseenLogLikelihood[foreseen] +
           hazardLogPrior(data, *terms.source.state, k, x, terms.foreseenLogX[foreseen]);
}

LogDensityBinding fastHazardPosteriorBinding(HazardPosteriorTerms& terms) {
    return {&terms, fastHazardLogPosterior, foreseeHazardLogPosterior};
}

}  // namespace quillmere
