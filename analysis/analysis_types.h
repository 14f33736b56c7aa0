#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "trial/trial_data.h"

namespace quillmere {

// One patient as the data file gives it: identifier, response indicator
// (1: the event was observed), event time and follow-up time, in the unit of
// the evaluation window.
struct PatientObservation {
    std::string id;
    int eventIndicator = 0;
    double eventTime = 0.0;
    double followUp = 0.0;
};

// The range each hazard is drawn from. Unit: [0.001, 100] per time unit of
// the data, the console program's range, so the same patients written in
// another unit give other results. Window: the hazard over one whole window,
// lambda·W, within [windowRangeLower, windowRangeUpper], which means the same
// in every unit.
enum class HazardRange { Unit, Window };

inline constexpr double windowRangeLower = 1e-4;
inline constexpr double windowRangeUpper = 1e4;
// The hazard prior shapes the analysis takes: from 0 (the console program's
// 1/lambda) to a prior as strong as this many events in every interval.
inline constexpr double maxHazardPriorShape = 100.0;

// The monitoring rule: the event type, the rate bound, the cut-off of the
// reported probability and the evaluation window, and the hazard model.
//
// The hazard options go beyond what the console program computes; their
// defaults are exactly its computation, bit for bit. With hazardPriorShape
// a > 0 each of the six hazards has an independent gamma prior of shape a and
// mean lambda0, the hazard under which the event rate equals the bound (rate
// a / lambda0); its full conditional is then a gamma distribution of shape
// a + d_k and rate a / lambda0 + E_k (events and exposure of interval k)
// truncated to the range. With a = 0 the prior is the improper 1/lambda,
// kept proper only by the range.
struct MonitoringRule {
    EventType eventType = EventType::Toxicity;
    double rateBound = 0.0;
    double cutoffProbability = 0.0;
    double maxEvaluationWindow = 0.0;
    double hazardPriorShape = 0.0;
    HazardRange hazardRange = HazardRange::Unit;
};

struct AnalysisInput {
    MonitoringRule rule;
    std::vector<PatientObservation> patients;
};

// What one analysis finds.
struct AnalysisResult {
    double posteriorResult = 0.0;      // Pr(rate < bound) averaged over the imputations
    double reportedProbability = 0.0;  // the probability the advice compares with the cut-off
    bool terminate = false;
    // The time from which no patient has been followed while a pending one
    // reaches beyond it: from there on the imputation rests on the prior.
    std::optional<double> uninformedFrom;
    // The last Gibbs sweep's hazards, per time unit of the data.
    std::array<double, intervalCount> hazards{};
    int patientCount = 0;
    int eventCount = 0;
    int pendingCount = 0;
    // Remarks of the incomplete beta function, one console line each.
    std::vector<std::string> notes;
};

enum class AnalysisErrorKind {
    InvalidSettings,  // the rule or the configuration
    InvalidData,      // the patients or the data file
    Sampler,          // the sampler stopped with a code
    EnvelopeCheck,    // an internal check of the sampling envelope failed
};

// Where the console program shows an error's text.
enum class ConsoleStream { Output, Error };

// Why an analysis gave no result: the console program's exit status, the
// sampler's code where there is one, and the exact text the console program
// prints for it (line ends included) on the stream it prints it to.
struct AnalysisError {
    AnalysisErrorKind kind = AnalysisErrorKind::InvalidSettings;
    int exitStatus = 0;
    int samplerCode = 0;
    std::string text;
    ConsoleStream stream = ConsoleStream::Output;
};

}  // namespace quillmere
