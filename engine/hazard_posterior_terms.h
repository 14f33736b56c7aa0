#pragma once

// A faster evaluation of the hazard log-posterior that gives exactly the same
// bits as hazardLogPosterior.
//
// The log-likelihood is a sum of terms delta_ij ln(lambda_j) - lambda_j e_ij
// added one by one, patients in index order and intervals in index order,
// into a running total that starts at +0.0. Floating-point addition is not
// associative, so that chain of additions is kept as it stands; what changes
// is how each term is obtained:
//
// 1. ln(lambda_j) is the same number in every term of interval j, so it is
//    computed once instead of once per term. The logarithm is a function:
//    the same argument gives the same bits.
//
// 2. Within one sampler call only hazard k varies, so the terms of the other
//    five intervals are formed once (with the same expression and operands
//    as in the reference evaluation, hence the same bits) and stored in
//    summation order. They are formed again only when the hazard they rest on
//    has changed, which the evaluation checks at every call.
//
// 3. A cell with delta_ij = 0 and e_ij = ±0 is left out of the chain. For a
//    finite positive lambda_j its term is exactly ±0:
//      0 · ln(lambda_j) = ±0 (ln(lambda_j) is finite),
//      lambda_j · (±0) = ±0 (lambda_j is finite),
//      (±0) - (±0) = ±0.
//    Adding ±0 to the running total never changes it: for a non-zero total
//    s + (±0) = s exactly; for a zero total, round-to-nearest gives +0 for
//    a sum of zeros unless both are -0. The total starts at +0.0 and a sum
//    can only be -0 when both operands are -0, so by induction the total is
//    never -0; hence s + (±0) = s in every case, and dropping the cell leaves
//    every later partial sum, and the result, unchanged.
//
// The terms of interval k are formed at each evaluation exactly as in the
// reference, delta·ln(x) - x·e, with ln(x) computed once. The prior term is
// formed exactly as in the reference as well.
//
// 4. Every cell before the first cell of interval k holds a stored term, so
//    the running total up to that cell is the same number at every x: it is
//    formed once for the current index and hazards, from +0.0 with the same
//    additions in the same order, and each evaluation continues from it.
//
// 5. The log-likelihood is a function of the six hazards alone (the cells
//    are fixed for the run), whichever of them is the argument. The value at
//    the point a sampler call accepted is therefore, bit for bit, the value
//    the next call needs at its previous value once that point has become
//    the hazard: it is kept when the index moves on and used instead of
//    forming it again.
//
// What is left is one dependent addition per cell after that point and
// evaluation: the chain's latency bounds the speed. Independent evaluations
// need not wait for one another, though: points the sampler announces before
// evaluating them (the four initial abscissae of its envelope and the chain's
// previous value; a candidate, with the abscissa it will be moved to if it
// joins the envelope) are summed side by side in one pass, each in its own
// running total with the same additions in the same order, and the values
// are kept until the index or a hazard changes. Announcements of several
// independent evaluations (several records, each with its own terms) are
// summed side by side in the same way (foreseeHazardLogPosteriors).
//
// For such a pass every value has a row: its cells from interval k's first
// on, in summation order, the stored terms with those of interval k formed at
// its point. The first point's row is the stored terms themselves, interval
// k's cells overwritten (they are formed again when another index needs
// them); the others are copies. Each total then adds its row's cells in
// order, several totals in one loop.
//
// The argument of point 3 needs every hazard (and x) finite and positive,
// which the sampler guarantees on its range (finite positive bounds in the
// engine state); for any other values the evaluation falls back to the
// reference.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "engine/hazard_posterior.h"
#include "numeric/sampling_envelope.h"

namespace quillmere {

struct HazardPosteriorTerms;

// The points one evaluation announced, on its own terms (its own record,
// state and current index), and where their log-posteriors go: `formed`
// tells whether every value was written.
struct ForesightRequest {
    HazardPosteriorTerms* terms = nullptr;
    std::span<const double> points;
    std::span<double> values;
    bool formed = false;
};

// One value to form: slot `slot` of the terms' values formed ahead, summed
// over `length` cells of `row` from the terms' prefixSum on.
struct ForesightChain {
    HazardPosteriorTerms* terms = nullptr;
    int slot = 0;
    const double* row = nullptr;
    std::size_t length = 0;
};

// Working storage of the passes, kept by the caller so that it is reused
// from pass to pass.
struct ForesightScratch {
    std::vector<ForesightRequest> requests;
    std::vector<ForesightChain> chains;
};

// Logarithms the evaluation has taken, by argument: the sampler's initial
// abscissae are the same in every call, and a hazard's logarithm is taken
// when its terms are formed and again when it is the chain's previous value.
struct LogarithmMemo {
    static constexpr std::size_t size = 64;
    std::array<std::uint64_t, size> argumentBits{};  // +0.0: empty
    std::array<double, size> logarithm{};
};

struct HazardPosteriorTerms {
    HazardPosteriorContext source;

    // The cells that can contribute, in summation order.
    std::vector<double> exposure;
    std::vector<double> eventIndicator;
    // For each interval, the positions of its cells in the order above.
    std::array<std::vector<std::size_t>, intervalCount> cellsOfInterval;

    // Terms of the stored cells, each formed with the hazard recorded for its
    // interval; the terms of an interval recorded as +0.0 (never a hazard
    // they are formed with) are unset or overwritten by a pass.
    std::vector<double> term;
    std::array<std::uint64_t, intervalCount> termHazardBits{};

    // The index and hazards for which the running total up to interval k's
    // first cell (prefixEnd, or the end) and the values formed ahead hold.
    bool passFormed = false;
    int passIndex = 0;
    std::array<std::uint64_t, intervalCount> passHazardBits{};
    std::size_t prefixEnd = 0;
    double prefixSum = 0.0;

    // Log-likelihoods (and logarithms) formed ahead at points the sampler
    // announced.
    static constexpr int maxForeseen = 5;
    int foreseenCount = 0;
    std::array<double, maxForeseen> foreseenX{};
    std::array<double, maxForeseen> foreseenLogX{};
    std::array<double, maxForeseen> foreseenLogLikelihood{};

    // The log-likelihood at the hazards `knownHazardBits` (point 5), when
    // knownValid.
    bool knownValid = false;
    std::array<std::uint64_t, intervalCount> knownHazardBits{};
    double knownLogLikelihood = 0.0;

    LogarithmMemo logarithms;
    // For passes over these terms alone.
    ForesightScratch scratch;
};

// Lays out the record's exposure table and event indicators once per run.
// The record and state are read again at every evaluation (hazards and the
// current index may change between calls; the table must not).
HazardPosteriorTerms prepareHazardPosteriorTerms(const TrialData& data, const EngineState& state);

// The hazard log-posterior with context a HazardPosteriorTerms: bit for bit
// the value of hazardLogPosterior on the same record and state.
double fastHazardLogPosterior(double x, void* context);

// The fast evaluation with its foresight, bound to the given terms as the
// sampler takes it.
LogDensityBinding fastHazardPosteriorBinding(HazardPosteriorTerms& terms);

// Forms, in one pass, the log-likelihoods at up to maxForeseen points for the
// current hazard index and hazards, in place of those formed before; later
// evaluations at exactly these points with the same index and hazards use
// them. Points outside (0, inf) and points beyond maxForeseen are left to be
// evaluated when asked for. When every point was formed, writes the
// log-posterior at each into `values` (the bits of fastHazardLogPosterior)
// and returns true. The sampler's foresight for fastHazardLogPosterior
// (context a HazardPosteriorTerms).
bool foreseeHazardLogPosterior(std::span<const double> points, std::span<double> values,
                               void* context);

// foreseeHazardLogPosterior for several requests, each on terms of its own,
// in one pass: every value is formed as that function forms it, with its own
// running total and the same additions in the same order, but the totals of
// all requests advance together instead of one request after another.
void foreseeHazardLogPosteriors(std::span<ForesightRequest> requests, ForesightScratch& scratch);

}  // namespace quillmere
