#pragma once

#include <string>
#include <vector>

#include "design/design_settings.h"
#include "design/late_outcomes.h"
#include "design/operating_characteristics.h"
#include "design/trial_simulation.h"

namespace quillmere {

// Two rules run on the same simulated patients: trial r of a scenario under
// rule A and trial r under rule B enrol the same cohort, so the difference of
// an operating characteristic is estimated from the per-trial differences
// (paired), with a much smaller Monte Carlo error than two separate runs.

// Problems that keep two designs from simulating the same patients: one line
// per key that must agree (trial type, window, time unit, patients, accrual,
// true rates, event time shape, seed). Empty when they pair.
std::vector<std::string> pairingProblems(const DesignSettings& a, const DesignSettings& b);

// The rule keys in which B differs from A, as "Key B-value (A: A-value)".
std::vector<std::string> ruleDifferences(const DesignSettings& a, const DesignSettings& b);

// One characteristic under both rules and the paired difference B - A with
// its Monte Carlo standard error.
struct PairedDifference {
    double first = 0.0;
    double second = 0.0;
    double difference = 0.0;
    double error = 0.0;
};

// A characteristic that is a ratio of sums over the trials, sum(numerator) /
// sum(denominator) (a plain mean has denominators 1), under A and B on the
// same trials. The standard error linearises each ratio: trial r contributes
// (numerator_r - R * denominator_r) / mean(denominator), and the error is
// that of the mean of the per-trial differences B - A of these.
struct RatioSample {
    std::vector<double> numerator;
    std::vector<double> denominator;
};
PairedDifference pairedDifference(const RatioSample& a, const RatioSample& b);

// Stopping at a given number of enrolled patients.
struct StopDifference {
    int enrolled = 0;
    PairedDifference stop;
};

struct ScenarioComparison {
    double trueRate = 0.0;
    int trials = 0;
    PairedDifference earlyStop;
    PairedDifference enrolled;
    PairedDifference duration;
    PairedDifference looksRun;
    PairedDifference pendingPerLook;
    PairedDifference priorOnlyShare;
    // By the number of patients enrolled at a look of either rule (look
    // numbers mean other enrolments when the schedules differ).
    std::vector<StopDifference> stopByEnrolment;
    // Trials that ended otherwise (stopped at another enrolment, or stopped
    // under one rule only).
    double differingShare = 0.0;
};

// What waiting and not waiting cost under both rules on the same trials: the
// duration, the overrun (patients enrolled after the data justified stopping,
// see late_outcomes.h) and the share of trials with any overrun.
struct LateOutcomeComparison {
    double trueRate = 0.0;
    int trials = 0;
    PairedDifference duration;
    PairedDifference overrun;
    PairedDifference overrunShare;
};

LateOutcomeComparison compareLateOutcomes(double trueRate,
                                          const std::vector<TrialOutcome>& outcomesA,
                                          const std::vector<TrialOutcome>& outcomesB,
                                          const std::vector<int>& overrunsA,
                                          const std::vector<int>& overrunsB);

// Every scenario's late outcomes under both rules, each rule's overrun
// counted against its own boundary.
std::vector<LateOutcomeComparison> compareLateOutcomes(const DesignSettings& a,
                                                       const DesignSettings& b,
                                                       const ScenarioOutcomes& outcomesA,
                                                       const ScenarioOutcomes& outcomesB);

// Compares the outcomes of the same trials of one scenario under both rules.
ScenarioComparison compareScenario(const DesignSettings& a, const DesignSettings& b,
                                   double trueRate, const std::vector<TrialOutcome>& outcomesA,
                                   const std::vector<TrialOutcome>& outcomesB);

}  // namespace quillmere
