// A run that stops once its advice is certain must give the advice of the
// whole run: the bound on the sweeps still to come is checked against every
// way they can go, and whole runs to the advice against runs to the end.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <vector>

#include "engine/engine_test_support.h"
#include "numeric/incomplete_beta.h"
#include "trial/decision.h"

namespace quillmere::testing {
namespace {

// The advice the engine gives on a completed list of retained values: their
// sum in order, the mean, the reported probability against the cut-off.
bool adviceOnValues(const std::vector<double>& values, EventType eventType, double cutoff) {
    double sum = 0.0;
    for (const double value : values) {
        sum += value;
    }
    return advisesTermination(reportedProbability(eventType, sum / retainedSweepCount), cutoff);
}

// Calls visit with every way of appending `count` values from `choices`.
template <typename Visit>
void everyCompletion(std::vector<double>& values, const std::vector<double>& choices, int count,
                     const Visit& visit) {
    if (count == 0) {
        visit(values);
        return;
    }
    for (const double choice : choices) {
        values.push_back(choice);
        everyCompletion(values, choices, count - 1, visit);
        values.pop_back();
    }
}

TEST(SettledAdvice, IsTheAdviceOfEveryWayTheLastSweepsCanGoAndGivenWheneverTheyAllAgree) {
    std::mt19937_64 random(20261207);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int settled = 0;
    int open = 0;
    for (int trial = 0; trial < 4000; ++trial) {
        const EventType eventType = static_cast<EventType>(1 + trial % 3);
        // A few single-precision values, as the incomplete beta gives them.
        std::vector<double> choices(1 + trial % 4);
        for (double& choice : choices) {
            choice = static_cast<float>(unit(random));
        }
        const int retained = retainedSweepCount - trial % 4;
        std::vector<double> values;
        for (int i = 0; i < retained; ++i) {
            values.push_back(choices[random() % choices.size()]);
        }
        double sum = 0.0;
        for (const double value : values) {
            sum += value;
        }
        // Cut-offs near the mean so far, where the advice is in doubt.
        const double mean = reportedProbability(eventType, sum / retained);
        const double cutoff = std::clamp(mean + (unit(random) - 0.5) * 0.3, 0.01, 0.99);
        const auto [least, greatest] = std::minmax_element(choices.begin(), choices.end());

        std::array<int, 2> seen{};
        everyCompletion(values, choices, retainedSweepCount - retained,
                        [&](const std::vector<double>& completed) {
                            ++seen[adviceOnValues(completed, eventType, cutoff) ? 1 : 0];
                        });
        const std::optional<bool> advice =
            settledAdvice(sum, retained, {*least, *greatest}, eventType, cutoff);
        SCOPED_TRACE(trial);
        if (advice) {
            ++settled;
            EXPECT_EQ(seen[*advice ? 0 : 1], 0);
        } else {
            ++open;
            // The least and greatest values are completions themselves.
            EXPECT_GT(seen[0], 0);
            EXPECT_GT(seen[1], 0);
        }
    }
    EXPECT_GT(settled, 1000);
    EXPECT_GT(open, 100);
}

TEST(SettledAdvice, AMeanExactlyAtTheCutoffContinues) {
    // Twenty values of 0.5 and no value left: the efficacy probability is
    // 0.5, equal to the cut-off, which does not advise termination.
    const std::optional<bool> advice =
        settledAdvice(10.0, retainedSweepCount, {0.5, 0.5}, EventType::Efficacy, 0.5);
    ASSERT_TRUE(advice.has_value());
    EXPECT_FALSE(*advice);
    // With values still to come that could lift it above, nothing is settled.
    EXPECT_FALSE(settledAdvice(9.5, retainedSweepCount - 1, {0.5, 0.6}, EventType::Efficacy, 0.5));
}

// A record of the examples' kind: events, patients followed to the end and
// pending ones.
TrialInput mixedTrial(EventType eventType, int events, int complete, int pending) {
    TrialInput input;
    input.eventType = eventType;
    for (int i = 0; i < events; ++i) {
        input.patients.push_back(eventAt(10.0 + 7.0 * i));
    }
    for (int i = 0; i < complete; ++i) {
        input.patients.push_back(completeWithoutEvent(input.maxEvaluationWindow));
    }
    for (int i = 0; i < pending; ++i) {
        input.patients.push_back(pendingFor(5.0 + 80.0 * i / std::max(pending, 1)));
    }
    for (std::size_t i = 0; i < input.patients.size(); ++i) {
        input.patients[i].id = "P" + std::to_string(i + 1);
    }
    return input;
}

TEST(SweepValueRange, SpansTheValuesOfEveryCountThePendingPatientsAllow) {
    const TrialInput input = mixedTrial(EventType::Toxicity, 2, 5, 3);
    const auto data = recordWithExposures(input);
    const std::optional<std::array<double, 2>> range = sweepValueRange(*data, 0.3);
    ASSERT_TRUE(range.has_value());
    NumericNotes notes;
    std::vector<double> values;
    for (int events = 2; events <= 5; ++events) {
        values.push_back(betai(static_cast<float>(events + 0.1),
                               static_cast<float>(10 - events + 0.2), 0.3f, notes));
    }
    EXPECT_EQ((*range)[0], *std::min_element(values.begin(), values.end()));
    EXPECT_EQ((*range)[1], *std::max_element(values.begin(), values.end()));

    const auto known = recordWithExposures(mixedTrial(EventType::Toxicity, 2, 5, 0));
    const std::array<double, 2> single = sweepValueRange(*known, 0.3).value();
    EXPECT_EQ(single[0], single[1]);
}

struct RunEnd {
    int sweeps = 0;
    std::optional<bool> termination;
    double posteriorResult = 0.0;
};

RunEnd runTo(const TrialInput& input, RunGoal goal) {
    const auto data = recordWithExposures(input);
    EngineState state;
    ImputationRun run;
    startImputation(run, *data, input.eventType, state, PosteriorEvaluation::Fast, goal);
    while (!run.finished) {
        continueImputation(run);
    }
    EXPECT_EQ(run.result, 0);
    return {run.sweep, run.settledTermination, data->posteriorResult};
}

TEST(AdviceRuns, GiveTheAdviceOfTheWholeRunAndStopEarlyOften) {
    std::mt19937 random(7);
    int early = 0;
    int beforeAnySweep = 0;
    int runs = 0;
    for (const EventType eventType :
         {EventType::Toxicity, EventType::Efficacy, EventType::DiseaseProgression}) {
        for (int trial = 0; trial < 12; ++trial) {
            const TrialInput input =
                mixedTrial(eventType, static_cast<int>(random() % 5),
                           static_cast<int>(random() % 8), static_cast<int>(random() % 6));
            const auto whole = runFresh(input);
            const double reported = reportedProbability(eventType, whole->posteriorResult);
            for (const double cutoff : {0.5, 0.8, 0.9, reported, std::nextafter(reported, 0.0)}) {
                SCOPED_TRACE(::testing::Message() << static_cast<int>(eventType) << " trial "
                                                  << trial << " cut-off " << cutoff);
                const RunEnd end = runTo(input, {RunExtent::Advice, cutoff});
                ASSERT_TRUE(end.termination.has_value());
                EXPECT_EQ(*end.termination, advisesTermination(reported, cutoff));
                ++runs;
                early += end.sweeps < 2901 ? 1 : 0;
                beforeAnySweep += end.sweeps == 0 ? 1 : 0;
            }
            // Up to the last retained sweep: the whole run's posterior result.
            const RunEnd retained = runTo(input, {RunExtent::PosteriorResult});
            EXPECT_EQ(retained.sweeps, 2901);
            EXPECT_EQ(bitsOf(retained.posteriorResult), bitsOf(whole->posteriorResult));
        }
    }
    EXPECT_GT(early, runs / 3);
    EXPECT_GT(beforeAnySweep, 0);
}

}  // namespace
}  // namespace quillmere::testing
