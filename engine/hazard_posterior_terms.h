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
// What is left is one dependent addition per cell after that point and
// evaluation: the chain's latency bounds the speed. Independent evaluations
// need not wait for one another, though: points the sampler announces before
// evaluating them (the four initial abscissae of its envelope and the chain's
// previous value; a candidate together with the abscissa it will be moved to
// if it joins the envelope) are summed side by side in one pass, each in its
// own running total with the same additions in the same order, and the values
// are kept until the index or a hazard changes.
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

#include "engine/engine.h"
#include "numeric/sampling_envelope.h"

namespace quillmere {

struct HazardPosteriorTerms {
    HazardPosteriorContext source;

    // The cells that can contribute, in summation order.
    std::vector<double> exposure;
    std::vector<double> eventIndicator;
    // For each interval, the positions of its cells in the order above.
    std::array<std::vector<std::size_t>, intervalCount> cellsOfInterval;

    // Terms of the stored cells, each formed with the hazard recorded for its
    // interval; the terms of an interval still recorded as +0.0 (never a
    // hazard they are formed with) are unset.
    std::vector<double> term;
    std::array<std::uint64_t, intervalCount> termHazardBits{};

    // The index for which the running total up to interval k's first cell
    // (prefixEnd, or the end) and the values formed ahead hold; they hold for
    // the hazards the stored terms were formed with.
    bool passFormed = false;
    int passIndex = 0;
    std::size_t prefixEnd = 0;
    double prefixSum = 0.0;

    // Log-likelihoods (and logarithms) formed ahead at points the sampler
    // announced.
    static constexpr int maxForeseen = 5;
    int foreseenCount = 0;
    std::array<double, maxForeseen> foreseenX{};
    std::array<double, maxForeseen> foreseenLogX{};
    std::array<double, maxForeseen> foreseenLogLikelihood{};
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
// evaluated when asked for. The sampler's foresight for fastHazardLogPosterior
// (context a HazardPosteriorTerms).
void foreseeHazardLogPosterior(std::span<const double> points, void* context);

}  // namespace quillmere
