// The methods that do not impute, on the same patients as the imputation:
// suspension against the exact sequential binomial computation on complete
// data, complete-case and weighted looks against their posterior computed
// directly from the look's patients written to a file, and the patients each
// method enrols against those of the imputation.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "design/design_test_support.h"
#include "design/look_decision.h"
#include "design/simulation_runner.h"
#include "design/text_format.h"
#include "design/trial_simulation.h"
#include "numeric/incomplete_beta.h"

namespace quillmere {
namespace {

// ---- The exact stopping probabilities of suspension --------------------------

// I_x(a, b) by its continued fraction (modified Lentz) in long double, written
// here apart from the program's single-precision routine.
long double regularisedBeta(long double a, long double b, long double x) {
    if (x <= 0) {
        return 0;
    }
    if (x >= 1) {
        return 1;
    }
    if (x > (a + 1) / (a + b + 2)) {
        return 1 - regularisedBeta(b, a, 1 - x);
    }
    const long double front = std::exp(std::lgamma(a + b) - std::lgamma(a) - std::lgamma(b) +
                                       a * std::log(x) + b * std::log1p(-x)) /
                              a;
    const long double tiny = 1e-300L;
    long double f = 1;
    long double c = 1;
    long double d = 0;
    for (int i = 0; i <= 400; ++i) {
        const int m = i / 2;
        long double numerator = 1;
        if (i > 0) {
            numerator = i % 2 == 0 ? m * (b - m) * x / ((a + 2 * m - 1) * (a + 2 * m))
                                   : -(a + m) * (a + b + m) * x / ((a + 2 * m) * (a + 2 * m + 1));
        }
        d = 1 + numerator * d;
        d = std::fabs(d) < tiny ? tiny : d;
        d = 1 / d;
        c = 1 + numerator / c;
        c = std::fabs(c) < tiny ? tiny : c;
        f *= c * d;
        if (std::fabs(1 - c * d) < 1e-16L) {
            break;
        }
    }
    return front * (f - 1);
}

// Whether the rule stops on n complete outcomes with s events: the posterior
// Beta(0.1 + s, 0.2 + n - s) of the event rate, and the probability the rule
// compares with the cut-off for its event type. A probability within 1e-5 of
// the cut-off would leave the exact figure to the rounding: none may be.
bool stopsOnCompleteData(const DesignSettings& design, int n, int s) {
    const long double a = s + 0.1L;
    const long double b = (n - s) + 0.2L;
    long double probability = 0;
    switch (design.eventType) {
        case EventType::Toxicity:
            probability = 1 - regularisedBeta(a, b, design.rateBound);
            break;
        case EventType::Efficacy:
            probability = regularisedBeta(a, b, design.rateBound);
            break;
        case EventType::DiseaseProgression:
            probability = 1 - regularisedBeta(a, b, 1 - design.rateBound);
            break;
    }
    EXPECT_GT(std::fabs(probability - design.cutoffProbability), 1e-5L)
        << n << " patients, " << s << " events";
    return probability > design.cutoffProbability;
}

// P(stop at look l) by look (index l - 1): the event count of the patients
// enrolled so far is binomial, the looks held back by the run-in stop nothing,
// and the trials still running carry their count to the next look.
std::vector<double> exactStopByLook(const DesignSettings& design, double rate) {
    std::vector<long double> running = {1.0L};  // by event count
    std::vector<double> stops;
    int enrolled = 0;
    for (int look = 1;; ++look) {
        const int n = design.firstLook + (look - 1) * design.lookEvery;
        if (n >= design.maxPatients) {
            break;  // no look once every patient is enrolled
        }
        for (; enrolled < n; ++enrolled) {
            std::vector<long double> next(running.size() + 1, 0.0L);
            for (std::size_t s = 0; s < running.size(); ++s) {
                next[s] += running[s] * (1 - rate);
                next[s + 1] += running[s] * rate;
            }
            running = next;
        }
        long double stopped = 0;
        if (n >= design.minCompleted) {
            for (int s = 0; s <= n; ++s) {
                if (stopsOnCompleteData(design, n, s)) {
                    stopped += running[s];
                    running[s] = 0;
                }
            }
        }
        stops.push_back(static_cast<double>(stopped));
    }
    return stops;
}

TEST(Suspension, StopsAtEachLookAsTheExactSequentialBinomialComputation) {
    for (const EventType type :
         {EventType::Toxicity, EventType::Efficacy, EventType::DiseaseProgression}) {
        DesignSettings design = testing::smallDesign(type);
        design.method = LateOutcomeMethod::Suspension;
        design.minCompleted = 5;  // the first look (4 patients) is held back
        design.trueRates = {0.15, 0.35, 0.6};
        design.trials = 4000;
        const ScenarioOutcomes outcomes =
            runSimulation({design, 1.0}, {0, design.trials - 1}, 2, [](long, long) {}).value();
        for (std::size_t r = 0; r < design.trueRates.size(); ++r) {
            const std::vector<double> exact = exactStopByLook(design, design.trueRates[r]);
            ASSERT_EQ(exact.size(), 4U);
            std::vector<long> stops(exact.size(), 0);
            for (const TrialOutcome& outcome : outcomes[r]) {
                if (outcome.stopLook > 0) {
                    ++stops.at(outcome.stopLook - 1);
                }
                EXPECT_EQ(outcome.pendingAtLooks, 0);
            }
            for (std::size_t l = 0; l < exact.size(); ++l) {
                const double estimate = static_cast<double>(stops[l]) / design.trials;
                const double p = exact[l];
                SCOPED_TRACE(eventTypeName(type) + ", rate " + std::to_string(design.trueRates[r]) +
                             ", look " + std::to_string(l + 1) + ": exact " + std::to_string(p) +
                             ", simulated " + std::to_string(estimate));
                if (p == 0.0) {
                    EXPECT_EQ(stops[l], 0);
                } else {
                    EXPECT_LE(std::fabs(estimate - p) / std::sqrt(p * (1 - p) / design.trials),
                              3.0);
                }
            }
        }
    }
}

// ---- Complete-case and weighted looks, computed from their patients ---------

// A look's patients written to a file, one per line, numbers in hexadecimal.
void writeLookPatients(const std::filesystem::path& file, const LookSnapshot& snapshot) {
    std::ofstream out(file);
    for (const PatientLine& line : snapshot.patients) {
        char text[120];
        std::snprintf(text, sizeof text, "%d %a %a\n", line.responseIndicator, line.timeToEvent,
                      line.followUpTime);
        out << text;
    }
}

// The posterior computed from such a file: events count as events, patients
// followed for the whole window as non-events, and a pending patient as
// nothing (complete-case) or as follow-up / window of a non-event (weighted).
double probabilityFromFile(const std::filesystem::path& file, const DesignSettings& design) {
    std::ifstream in(file);
    double events = 0;
    double nonEvents = 0;
    int event = 0;
    std::string time;
    std::string followUpText;
    while (in >> event >> time >> followUpText) {
        const double followUp = std::strtod(followUpText.c_str(), nullptr);
        if (event == 1) {
            events += 1;
        } else if (followUp >= design.maxEvaluationWindow) {
            nonEvents += 1;
        } else if (design.method == LateOutcomeMethod::Weighted) {
            nonEvents += followUp / design.maxEvaluationWindow;
        }
    }
    const bool progression = design.eventType == EventType::DiseaseProgression;
    const float below =
        betai(static_cast<float>(events + 0.1), static_cast<float>(nonEvents + 0.2),
              static_cast<float>(progression ? 1 - design.rateBound : design.rateBound));
    return design.eventType == EventType::Efficacy ? below : 1.0 - below;
}

TEST(CompleteCaseAndWeighted, EachLookDecidesOnThePosteriorOfItsOwnPatients) {
    const auto directory = testing::freshDirectory("method-looks");
    for (const LateOutcomeMethod method :
         {LateOutcomeMethod::CompleteCase, LateOutcomeMethod::Weighted}) {
        for (const EventType type :
             {EventType::Toxicity, EventType::Efficacy, EventType::DiseaseProgression}) {
            DesignSettings design = testing::smallDesign(type);
            design.method = method;
            design.trueRates = {0.2, 0.5};
            design.trials = 10;
            int checked = 0;
            int withPending = 0;
            std::vector<TrialData> work(1);
            for (int s = 0; s < 2; ++s) {
                for (int r = 0; r < design.trials; ++r) {
                    std::vector<LookTrace> trace;
                    simulateTrial({design, 1.0}, s, r, work[0], &trace);
                    for (std::size_t l = 0; l < trace.size(); ++l) {
                        const LookTrace& look = trace[l];
                        const auto file =
                            directory / formatted("look-%d-%d-%d.txt", s, r, look.look);
                        writeLookPatients(file, look.snapshot);
                        const double direct = probabilityFromFile(file, design);
                        SCOPED_TRACE(lateOutcomeMethodName(method) + ", " + eventTypeName(type) +
                                     ", " + file.filename().string());
                        EXPECT_EQ(
                            std::memcmp(&direct, &look.result.reportedProbability, sizeof direct),
                            0)
                            << direct << " and " << look.result.reportedProbability;
                        EXPECT_EQ(look.result.terminate, direct > design.cutoffProbability);
                        EXPECT_FALSE(look.result.priorOnly);
                        ++checked;
                        withPending += look.snapshot.pending > 0 ? 1 : 0;
                    }
                }
            }
            EXPECT_GE(checked, 20);
            EXPECT_GE(withPending, 10);  // the pending patients are what the methods differ in
        }
    }
}

// ---- The same patients under every method -----------------------------------

// Runs a trial look by look as the design's method decides, and gives the
// replicate's patients as the trial enrolled them.
std::vector<SimulatedPatient> patientsAsEnrolled(const DesignSettings& design, int scenario,
                                                 int replicate, TrialOutcome& outcome) {
    std::vector<TrialData> work(1);
    TrialProgress trial = beginTrial({design, 1.0}, scenario, replicate);
    while (advanceToNextLook(trial, design)) {
        if (design.method == LateOutcomeMethod::Imputation) {
            fillTrialRecord(work[0], trial.snapshot.patients, trial.settings);
            recordLook(trial, analyseRecord(work[0], trial.settings), nullptr);
        } else {
            recordLook(trial,
                       decideWithoutImputation(trial.snapshot, trial.settings, design.method),
                       nullptr);
        }
    }
    outcome = trial.outcome;
    EXPECT_EQ(outcome.stopLook,
              simulateTrial({design, 1.0}, scenario, replicate, work[0]).stopLook);
    return trial.cohort;
}

// The replicate file of a method: every patient's arrival and event time.
std::string replicateFile(const std::vector<SimulatedPatient>& patients) {
    std::string text;
    for (const SimulatedPatient& patient : patients) {
        text += formatted("%a %a\n", patient.arrivalTime, patient.eventTime);
    }
    return text;
}

// The imputation's patients as suspension enrols them, worked out here: at
// each look up to the one that stopped, with at least MinCompleted patients,
// the patients still to come arrive later by the time until the last enrolled
// patient's outcome is known, if it is not known yet.
std::vector<SimulatedPatient> suspended(std::vector<SimulatedPatient> patients,
                                        const DesignSettings& design, int lastLook) {
    for (int look = 1; look <= lastLook; ++look) {
        const std::size_t n = design.firstLook + (look - 1) * design.lookEvery;
        if (static_cast<int>(n) < design.minCompleted) {
            continue;
        }
        double known = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            known = std::max(known, patients[i].arrivalTime + std::min(patients[i].eventTime,
                                                                       design.maxEvaluationWindow));
        }
        const double wait = known - patients[n].arrivalTime;
        for (std::size_t i = n; wait > 0 && i < patients.size(); ++i) {
            patients[i].arrivalTime += wait;
        }
    }
    return patients;
}

TEST(SamePatients, EveryMethodEnrolsTheImputationsPatientsSuspensionLaterByItsWaits) {
    const auto directory = testing::freshDirectory("method-patients");
    for (const EventType type : {EventType::Toxicity, EventType::Efficacy}) {
        DesignSettings design = testing::smallDesign(type);
        design.accrualRate = 0.5;  // patients come faster than outcomes: suspension waits
        design.trials = 4;
        for (int s = 0; s < 2; ++s) {
            for (int r = 0; r < design.trials; ++r) {
                TrialOutcome imputed;
                const std::vector<SimulatedPatient> patients =
                    patientsAsEnrolled(design, s, r, imputed);
                EXPECT_EQ(replicateFile(patients), replicateFile(replicateCohort(design, s, r)));
                for (const LateOutcomeMethod method :
                     {LateOutcomeMethod::CompleteCase, LateOutcomeMethod::Weighted,
                      LateOutcomeMethod::Suspension}) {
                    DesignSettings other = design;
                    other.method = method;
                    TrialOutcome outcome;
                    const std::string file =
                        replicateFile(patientsAsEnrolled(other, s, r, outcome));
                    testing::writeText(
                        directory /
                            formatted("%s-%d-%d.txt", lateOutcomeMethodName(method).c_str(), s, r),
                        file);
                    SCOPED_TRACE(lateOutcomeMethodName(method) +
                                 formatted(", scenario %d, replicate %d", s, r));
                    if (method != LateOutcomeMethod::Suspension) {
                        EXPECT_EQ(file, replicateFile(patients));
                        continue;
                    }
                    const int lastLook =
                        outcome.stopLook > 0 ? outcome.stopLook : scheduledLookCount(design);
                    const std::vector<SimulatedPatient> expected =
                        suspended(patients, design, lastLook);
                    EXPECT_EQ(file, replicateFile(expected));
                    // The trial ends when the stopping look decides, or once the
                    // last outcome is known.
                    double end =
                        expected[static_cast<std::size_t>(outcome.enrolled) % expected.size()]
                            .arrivalTime;
                    if (outcome.stopLook == 0) {
                        end = 0.0;
                        for (const SimulatedPatient& patient : expected) {
                            end = std::max(
                                end, patient.arrivalTime +
                                         std::min(patient.eventTime, design.maxEvaluationWindow));
                        }
                    }
                    EXPECT_EQ(outcome.duration, end);
                    EXPECT_GE(outcome.duration,
                              imputed.stopLook == outcome.stopLook ? imputed.duration : 0.0);
                }
            }
        }
    }
}

}  // namespace
}  // namespace quillmere
