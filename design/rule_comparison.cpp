#include "design/rule_comparison.h"

#include <functional>
#include <set>

#include "design/look_schedule.h"
#include "design/text_format.h"

namespace quillmere {
namespace {

// A key whose value differs between the two designs, with both values.
struct KeyDifference {
    std::string key;
    std::string textA;
    std::string textB;
};

template <typename Value>
void noteDifference(std::vector<KeyDifference>& differences, const char* key, const Value& a,
                    const Value& b, const std::string& textA, const std::string& textB) {
    if (!(a == b)) {
        differences.push_back({key, textA, textB});
    }
}

std::string ratesText(const std::vector<double>& rates) {
    std::string text;
    for (const double rate : rates) {
        text += text.empty() ? "" : ", ";
        text += roundTripText(rate);
    }
    return text;
}

double sumOf(const std::vector<double>& values) {
    double sum = 0.0;
    for (const double value : values) {
        sum += value;
    }
    return sum;
}

// Sum of numerators over sum of denominators, 0 without any denominator.
double ratioOf(const RatioSample& sample) {
    const double denominator = sumOf(sample.denominator);
    return denominator > 0 ? sumOf(sample.numerator) / denominator : 0.0;
}

// Each trial's share in the ratio's deviation from its value, to first order.
std::vector<double> linearised(const RatioSample& sample) {
    const double ratio = ratioOf(sample);
    const double meanDenominator = sumOf(sample.denominator) / sample.denominator.size();
    std::vector<double> terms(sample.numerator.size(), 0.0);
    if (meanDenominator > 0) {
        for (std::size_t r = 0; r < terms.size(); ++r) {
            terms[r] = (sample.numerator[r] - ratio * sample.denominator[r]) / meanDenominator;
        }
    }
    return terms;
}

using TrialValue = std::function<double(const TrialOutcome&)>;

RatioSample sampleOf(const std::vector<TrialOutcome>& outcomes, const TrialValue& numerator,
                     const TrialValue& denominator) {
    RatioSample sample;
    for (const TrialOutcome& outcome : outcomes) {
        sample.numerator.push_back(numerator(outcome));
        sample.denominator.push_back(denominator(outcome));
    }
    return sample;
}

PairedDifference compareValue(
    const std::vector<TrialOutcome>& a, const std::vector<TrialOutcome>& b,
    const TrialValue& numerator,
    const TrialValue& denominator = [](const TrialOutcome&) { return 1.0; }) {
    return pairedDifference(sampleOf(a, numerator, denominator),
                            sampleOf(b, numerator, denominator));
}

// Every number of enrolled patients at which a look of either design comes.
std::set<int> lookEnrolments(const DesignSettings& a, const DesignSettings& b) {
    std::set<int> enrolments;
    for (const DesignSettings* design : {&a, &b}) {
        for (int look = 1; look <= scheduledLookCount(*design); ++look) {
            enrolments.insert(enrolledAtLook(*design, look));
        }
    }
    return enrolments;
}

bool endedOtherwise(const TrialOutcome& a, const TrialOutcome& b) {
    return (a.stopLook > 0) != (b.stopLook > 0) || (a.stopLook > 0 && a.enrolled != b.enrolled);
}

}  // namespace

std::vector<std::string> pairingProblems(const DesignSettings& a, const DesignSettings& b) {
    std::vector<KeyDifference> differences;
    noteDifference(differences, "TrialType", a.eventType, b.eventType, eventTypeName(a.eventType),
                   eventTypeName(b.eventType));
    noteDifference(differences, "MaxEvaluationWindow", a.maxEvaluationWindow, b.maxEvaluationWindow,
                   roundTripText(a.maxEvaluationWindow), roundTripText(b.maxEvaluationWindow));
    noteDifference(differences, "TimeUnit", a.timeUnit.name, b.timeUnit.name, a.timeUnit.name,
                   b.timeUnit.name);
    noteDifference(differences, "MaxPatients", a.maxPatients, b.maxPatients,
                   std::to_string(a.maxPatients), std::to_string(b.maxPatients));
    noteDifference(differences, "AccrualRate", a.accrualRate, b.accrualRate,
                   roundTripText(a.accrualRate), roundTripText(b.accrualRate));
    noteDifference(differences, "TrueRates", a.trueRates, b.trueRates, ratesText(a.trueRates),
                   ratesText(b.trueRates));
    noteDifference(differences, "EventTimeShape", a.eventTimeShape, b.eventTimeShape,
                   roundTripText(a.eventTimeShape), roundTripText(b.eventTimeShape));
    noteDifference(differences, "Seed", a.seed, b.seed, std::to_string(a.seed),
                   std::to_string(b.seed));
    std::vector<std::string> problems;
    for (const KeyDifference& d : differences) {
        problems.push_back(d.key + " differs: " + d.textA + " and " + d.textB + ".");
    }
    return problems;
}

std::vector<std::string> ruleDifferences(const DesignSettings& a, const DesignSettings& b) {
    std::vector<KeyDifference> differences;
    noteDifference(differences, "RateBound", a.rateBound, b.rateBound, roundTripText(a.rateBound),
                   roundTripText(b.rateBound));
    noteDifference(differences, "CutoffProbability", a.cutoffProbability, b.cutoffProbability,
                   roundTripText(a.cutoffProbability), roundTripText(b.cutoffProbability));
    noteDifference(differences, "FirstLook", a.firstLook, b.firstLook, std::to_string(a.firstLook),
                   std::to_string(b.firstLook));
    noteDifference(differences, "LookEvery", a.lookEvery, b.lookEvery, std::to_string(a.lookEvery),
                   std::to_string(b.lookEvery));
    noteDifference(differences, "MinCompleted", a.minCompleted, b.minCompleted,
                   std::to_string(a.minCompleted), std::to_string(b.minCompleted));
    noteDifference(differences, "HazardPriorShape", a.hazardPriorShape, b.hazardPriorShape,
                   roundTripText(a.hazardPriorShape), roundTripText(b.hazardPriorShape));
    noteDifference(differences, "HazardRange", a.hazardRange, b.hazardRange,
                   hazardRangeName(a.hazardRange), hazardRangeName(b.hazardRange));
    noteDifference(differences, "Method", a.method, b.method, lateOutcomeMethodName(a.method),
                   lateOutcomeMethodName(b.method));
    std::vector<std::string> lines;
    for (const KeyDifference& d : differences) {
        lines.push_back(d.key + " " + d.textB + " (A: " + d.textA + ")");
    }
    return lines;
}

PairedDifference pairedDifference(const RatioSample& a, const RatioSample& b) {
    PairedDifference result;
    result.first = ratioOf(a);
    result.second = ratioOf(b);
    result.difference = result.second - result.first;
    const std::vector<double> termsA = linearised(a);
    const std::vector<double> termsB = linearised(b);
    std::vector<double> differences(termsA.size());
    for (std::size_t r = 0; r < differences.size(); ++r) {
        differences[r] = termsB[r] - termsA[r];
    }
    result.error = estimateMean(differences).error;
    return result;
}

LateOutcomeComparison compareLateOutcomes(double trueRate,
                                          const std::vector<TrialOutcome>& outcomesA,
                                          const std::vector<TrialOutcome>& outcomesB,
                                          const std::vector<int>& overrunsA,
                                          const std::vector<int>& overrunsB) {
    const auto ones = [](const std::vector<int>& values) {
        return std::vector<double>(values.size(), 1.0);
    };
    const auto counts = [](const std::vector<int>& values, bool share) {
        std::vector<double> converted;
        for (const int value : values) {
            converted.push_back(share ? (value > 0 ? 1.0 : 0.0) : value);
        }
        return converted;
    };
    LateOutcomeComparison comparison;
    comparison.trueRate = trueRate;
    comparison.trials = static_cast<int>(outcomesA.size());
    comparison.duration =
        compareValue(outcomesA, outcomesB, [](const TrialOutcome& o) { return o.duration; });
    comparison.overrun = pairedDifference({counts(overrunsA, false), ones(overrunsA)},
                                          {counts(overrunsB, false), ones(overrunsB)});
    comparison.overrunShare = pairedDifference({counts(overrunsA, true), ones(overrunsA)},
                                               {counts(overrunsB, true), ones(overrunsB)});
    return comparison;
}

ScenarioComparison compareScenario(const DesignSettings& a, const DesignSettings& b,
                                   double trueRate, const std::vector<TrialOutcome>& outcomesA,
                                   const std::vector<TrialOutcome>& outcomesB) {
    ScenarioComparison comparison;
    comparison.trueRate = trueRate;
    comparison.trials = static_cast<int>(outcomesA.size());
    const auto looks = [](const TrialOutcome& o) { return static_cast<double>(o.looksRun); };
    comparison.earlyStop = compareValue(
        outcomesA, outcomesB, [](const TrialOutcome& o) { return o.stopLook > 0 ? 1.0 : 0.0; });
    comparison.enrolled = compareValue(outcomesA, outcomesB, [](const TrialOutcome& o) {
        return static_cast<double>(o.enrolled);
    });
    comparison.duration =
        compareValue(outcomesA, outcomesB, [](const TrialOutcome& o) { return o.duration; });
    comparison.looksRun = compareValue(outcomesA, outcomesB, looks);
    comparison.pendingPerLook = compareValue(
        outcomesA, outcomesB,
        [](const TrialOutcome& o) { return static_cast<double>(o.pendingAtLooks); }, looks);
    comparison.priorOnlyShare = compareValue(
        outcomesA, outcomesB,
        [](const TrialOutcome& o) { return static_cast<double>(o.priorOnlyLooks); }, looks);
    for (const int enrolled : lookEnrolments(a, b)) {
        comparison.stopByEnrolment.push_back(
            {enrolled, compareValue(outcomesA, outcomesB, [enrolled](const TrialOutcome& o) {
                 return o.stopLook > 0 && o.enrolled == enrolled ? 1.0 : 0.0;
             })});
    }
    long differing = 0;
    for (std::size_t r = 0; r < outcomesA.size(); ++r) {
        differing += endedOtherwise(outcomesA[r], outcomesB[r]) ? 1 : 0;
    }
    comparison.differingShare =
        outcomesA.empty() ? 0.0 : static_cast<double>(differing) / outcomesA.size();
    return comparison;
}

std::vector<LateOutcomeComparison> compareLateOutcomes(const DesignSettings& a,
                                                       const DesignSettings& b,
                                                       const ScenarioOutcomes& outcomesA,
                                                       const ScenarioOutcomes& outcomesB) {
    const ReplicateRange all{0, a.trials - 1};
    const ScenarioOverruns overrunsA = overrunsOf(a, outcomesA, all);
    const ScenarioOverruns overrunsB = overrunsOf(b, outcomesB, all);
    std::vector<LateOutcomeComparison> comparisons;
    for (std::size_t s = 0; s < a.trueRates.size(); ++s) {
        comparisons.push_back(compareLateOutcomes(a.trueRates[s], outcomesA[s], outcomesB[s],
                                                  overrunsA[s], overrunsB[s]));
    }
    return comparisons;
}

}  // namespace quillmere
