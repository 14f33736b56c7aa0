#include "engine/hazard_posterior_terms.h"

#include <algorithm>
#include <bit>
#include <cmath>

#include "engine/four_wide.h"
#include "engine/hazard_posterior_parts.h"
#include "numeric/numeric.h"

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
    const std::size_t slot = (bits * 0x9E3779B97F4A7C15u) >> 58;
    static_assert(LogarithmMemo::size == 64);
    if (memo.argumentBits[slot] != bits) {
        memo.argumentBits[slot] = bits;
        memo.logarithm[slot] = quillmere::log(x);
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

// Forms the stored terms and the running total before interval k's first
// cell for the current index and hazards; the values formed ahead for other
// hazards are dropped. False when some hazard lies outside the values the
// skipped cells need.
bool formPass(HazardPosteriorTerms& terms, int k) {
    const TrialData& data = *terms.source.data;
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

// Makes the pass fit the current index and hazards; false when it cannot
// (see formPass).
bool bringUpToDate(HazardPosteriorTerms& terms, int k) {
    return passCurrent(terms, k) || formPass(terms, k);
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
// maxForeseen finite positive ones) in place of the values formed before,
// each with its logarithm. Returns how many of them are still to be summed
// (all but the kept one, point 5), their slots in `slots`.
int takePoints(const ForesightRequest& request,
               std::array<int, HazardPosteriorTerms::maxForeseen>& slots) {
    HazardPosteriorTerms& terms = *request.terms;
    const int k = terms.source.state->currentHazardIndex;
    if (!bringUpToDate(terms, k)) {
        return 0;
    }
    const bool knownFits = knownFitsOtherHazards(terms, k);
    terms.foreseenCount = 0;
    int count = 0;
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
        slots[count++] = slot;
    }
    return count;
}

// Adds every cell from interval k's first on to the totals of points held
// in `groups` vectors (their values x and logarithms logX), each total
// starting from the running total up to that cell: the stored terms as they
// are, interval k's cells formed at each point by the reference's
// expression. Vector arithmetic is element-wise IEEE arithmetic, each element
// exactly the scalar operation (no contraction, no reassociation), and a
// scalar operand stands for itself in every element, so every total receives
// exactly a single evaluation's additions.
template <typename Vector, std::size_t groups>
[[gnu::always_inline]] inline void addRowAtPoints(const HazardPosteriorTerms& terms,
                                                  const std::array<Vector, groups>& x,
                                                  const std::array<Vector, groups>& logX,
                                                  std::array<Vector, groups>& sum) {
    const double* term = terms.term.data();
    const double* exposure = terms.exposure.data();
    const double* eventIndicator = terms.eventIndicator.data();
    for (Vector& total : sum) {
        for (std::size_t e = 0; e < sizeof(Vector) / sizeof(double); ++e) {
            total[e] = terms.prefixSum;
        }
    }
    std::size_t cell = terms.prefixEnd;
    for (const std::size_t variableCell : terms.cellsOfInterval[terms.passIndex]) {
        for (; cell < variableCell; ++cell) {
            for (Vector& total : sum) {
                total += term[cell];
            }
        }
        for (std::size_t p = 0; p < groups; ++p) {
            sum[p] += eventIndicator[cell] * logX[p] - x[p] * exposure[cell];
        }
        ++cell;
    }
    for (const std::size_t end = terms.term.size(); cell < end; ++cell) {
        for (Vector& total : sum) {
            total += term[cell];
        }
    }
}

// Two values side by side; an odd last point is paired with itself.
using DoublePair = double __attribute__((vector_size(16)));

// The values at several points of one request, formed together: each stored
// term is read once for all of them, and their totals advance in pairs.
template <std::size_t pairs>
void sumPointsTogether(HazardPosteriorTerms& terms, std::span<const int> slots) {
    std::array<DoublePair, pairs> x;
    std::array<DoublePair, pairs> logX;
    for (std::size_t p = 0; p < pairs; ++p) {
        const int first = slots[2 * p];
        const int second = slots[std::min(2 * p + 1, slots.size() - 1)];
        x[p] = DoublePair{terms.foreseenX[first], terms.foreseenX[second]};
        logX[p] = DoublePair{terms.foreseenLogX[first], terms.foreseenLogX[second]};
    }
    std::array<DoublePair, pairs> sum;
    addRowAtPoints(terms, x, logX, sum);
    for (std::size_t b = 0; b < slots.size(); ++b) {
        terms.foreseenLogLikelihood[slots[b]] = sum[b / 2][b % 2];
    }
}

// Four values side by side in one four-wide register, where the processor
// has them (engine/four_wide.h says where). The four first points
// of every sampler call take this way; a missing fourth point repeats the
// third.
using DoubleQuad = double __attribute__((vector_size(32)));

QUILLMERE_FOUR_WIDE_TARGET void sumFourPointsTogether(HazardPosteriorTerms& terms,
                                                      std::span<const int> slots) {
    std::array<DoubleQuad, 1> x{};
    std::array<DoubleQuad, 1> logX{};
    for (std::size_t b = 0; b < 4; ++b) {
        const int slot = slots[std::min(b, slots.size() - 1)];
        x[0][b] = terms.foreseenX[slot];
        logX[0][b] = terms.foreseenLogX[slot];
    }
    std::array<DoubleQuad, 1> sum;
    addRowAtPoints(terms, x, logX, sum);
    for (std::size_t b = 0; b < slots.size(); ++b) {
        terms.foreseenLogLikelihood[slots[b]] = sum[0][b];
    }
}

void sumPointsTogether(HazardPosteriorTerms& terms, std::span<const int> slots) {
    static_assert(HazardPosteriorTerms::maxForeseen <= 6);
    if ((slots.size() == 3 || slots.size() == 4) && fourWideAvailable()) {
        sumFourPointsTogether(terms, slots);
        return;
    }
    switch ((slots.size() + 1) / 2) {
        case 1:
            sumPointsTogether<1>(terms, slots);
            break;
        case 2:
            sumPointsTogether<2>(terms, slots);
            break;
        default:
            sumPointsTogether<3>(terms, slots);
            break;
    }
}

// A single point's value is summed over a row: the stored terms from
// interval k's first cell on, interval k's formed in place at the point
// (they are formed again when another index needs them).
ForesightChain chainInPlace(HazardPosteriorTerms& terms, int slot) {
    const double x = terms.foreseenX[slot];
    const double logX = terms.foreseenLogX[slot];
    double* term = terms.term.data();
    for (const std::size_t cell : terms.cellsOfInterval[terms.passIndex]) {
        term[cell] = likelihoodTerm(terms.eventIndicator[cell], logX, x, terms.exposure[cell]);
    }
    terms.termHazardBits[terms.passIndex] = 0;
    return {&terms, slot, term + terms.prefixEnd, terms.term.size() - terms.prefixEnd};
}

// Rows summed together in one loop.
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

// Sums the rows of up to chainsPerBlock chains of different requests,
// longest first: all of them while every row has cells, then the longer ones
// on. Each total starts from its running total up to interval k's first cell
// and receives its row's cells in summation order: exactly the additions of
// a single evaluation.
void sumRows(std::span<ForesightChain> chains) {
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

// The log-posterior at each point formed ahead, in slot order: the
// log-likelihood plus the prior term, as fastHazardLogPosterior adds them.
void writeLogPosteriors(const HazardPosteriorTerms& terms, std::span<double> values) {
    const TrialData& data = *terms.source.data;
    const EngineState& state = *terms.source.state;
    for (int b = 0; b < terms.foreseenCount; ++b) {
        values[b] =
            terms.foreseenLogLikelihood[b] +
            hazardLogPrior(data, state, terms.passIndex, terms.foreseenX[b], terms.foreseenLogX[b]);
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

void foreseeHazardLogPosteriors(std::span<ForesightRequest> requests, ForesightScratch& scratch) {
    // Several points of one request are summed together at once; the single
    // points of different requests (most requests: one candidate) are summed
    // together in blocks. A request alone sums its single point as it sums
    // several, interval k's cells formed on the way: writing them into a row
    // first only pays when other rows share the loop.
    scratch.chains.clear();
    std::array<int, HazardPosteriorTerms::maxForeseen> slots{};
    for (ForesightRequest& request : requests) {
        const int count = takePoints(request, slots);
        HazardPosteriorTerms& terms = *request.terms;
        request.formed = terms.passFormed && terms.foreseenCount != 0 &&
                         static_cast<std::size_t>(terms.foreseenCount) == request.points.size();
        if (count == 1 && requests.size() > 1) {
            scratch.chains.push_back(chainInPlace(terms, slots[0]));
        } else if (count >= 1) {
            sumPointsTogether(terms,
                              std::span<const int>(slots.data(), static_cast<std::size_t>(count)));
        }
    }
    const std::span<ForesightChain> chains = scratch.chains;
    for (std::size_t first = 0; first < chains.size(); first += chainsPerBlock) {
        sumRows(chains.subspan(first, std::min(chainsPerBlock, chains.size() - first)));
    }
    for (ForesightRequest& request : requests) {
        if (request.formed) {
            writeLogPosteriors(*request.terms, request.values);
        }
    }
}

bool foreseeHazardLogPosterior(std::span<const double> points, std::span<double> values,
                               void* context) {
    auto& terms = *static_cast<HazardPosteriorTerms*>(context);
    ForesightRequest request{&terms, points, values};
    foreseeHazardLogPosteriors(std::span(&request, 1), terms.scratch);
    return request.formed;
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
        double value = 0.0;
        foreseeHazardLogPosterior(std::span(&x, 1), std::span(&value, 1), &terms);
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
