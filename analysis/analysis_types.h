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

// The monitoring rule: the event type, the rate bound, the cut-off of the
// reported probability and the evaluation window.
struct MonitoringRule {
    EventType eventType = EventType::Toxicity;
    double rateBound = 0.0;
    double cutoffProbability = 0.0;
    double maxEvaluationWindow = 0.0;
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
    std::array<double, intervalCount> hazards{};  // the last Gibbs sweep's hazards
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
