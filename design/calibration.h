#pragma once

#include <optional>
#include <string>
#include <vector>

#include "design/operating_characteristics.h"
#include "design/simulation_runner.h"

namespace quillmere {

// A look's reported probability does not depend on the cut-off, and a
// replicate's patients do not depend on when the trial stops. A simulation
// that runs every look of every trial to the end therefore gives, for any
// cut-off c, exactly the trials a simulation with CutoffProbability = c gives:
// each stops at its first look with a probability above c.

// One look of a replicate run to the end.
struct LookProbability {
    int look = 0;
    int enrolled = 0;
    double probability = 0.0;
    int pending = 0;
    bool priorOnly = false;
    double stopDuration = 0.0;  // the trial's duration if it stopped here
};

struct ReplicateLooks {
    std::vector<LookProbability> looks;  // the looks run, in order
    double completionDuration = 0.0;     // the duration if it never stops
};

// By calibration scenario, then by replicate in range order.
using CalibrationLooks = std::vector<std::vector<ReplicateLooks>>;

// The rates a calibration simulates: the design's TrueRates as scenarios 1..S
// and CalibrationRate as scenario S + 1 unless it is one of them, so each
// rate draws the very patients a simulation of a design listing it would.
std::vector<double> calibrationRates(const DesignSettings& design);
int calibrationScenario(const DesignSettings& design);  // its index, from 0

// Every look of every replicate in the range, for every calibration rate.
std::optional<CalibrationLooks> runCalibrationSimulation(const DesignSettings& design,
                                                         ReplicateRange range, int threads,
                                                         const ProgressCallback& progress,
                                                         const StopRequest* stop = nullptr);

// The trial as a simulation with this cut-off runs it.
TrialOutcome outcomeAtCutoff(const ReplicateLooks& replicate, double cutoff, int maxPatients);

// The cut-offs at which some trial's stopping look changes: the looks'
// probabilities that exceed every earlier look's of their trial, strictly
// inside (0, 1), ascending and distinct. Between two of them every figure
// stays as it is at the lower one.
std::vector<double> changingCutoffs(const CalibrationLooks& looks);

struct CalibrationResult {
    std::vector<double> rates;
    std::vector<double> cutoffs;
    std::vector<std::vector<ScenarioSummary>> summaries;  // by cut-off, then rate
    int calibrationScenario = 0;
    // The smallest cut-off whose probability of early stopping at the
    // calibration rate is at most MaxErrorStop (index into cutoffs).
    std::optional<std::size_t> chosen;
};

CalibrationResult calibrate(const DesignSettings& design, const CalibrationLooks& looks);

// Every cut-off from cutoffs[c] up to (not including) the next changing
// cut-off, or 1 after the last, gives the figures of cutoffs[c].
struct CutoffInterval {
    double low = 0.0;
    double high = 1.0;
};
CutoffInterval cutoffInterval(const CalibrationResult& result, std::size_t c);

// The decimal with the fewest digits after the point whose double lies in
// [low, high), the smallest of those: a cut-off short enough to write in a
// protocol that gives the same figures. Empty when no decimal of up to 17
// digits does.
std::string shortDecimalWithin(double low, double high);

}  // namespace quillmere
