// The imputation sampler against an exact sampler of the same model.
//
// With all prior shapes zero, hazard j's full conditional is
//   lambda^(D_j - 1) exp(-lambda E_j) on [0.001, 100],
// D_j the events and E_j the total exposure of interval j: a truncated gamma
// distribution that does not depend on the other hazards. The exact sampler
// below draws the six hazards from these directly (gamma draws rejected outside
// the range; for D_j = 0 a log-uniform proposal accepted with probability
// exp(-lambda E_j)), imputes every pending patient and averages
// Pr(q < x | completed data) over many imputations. The engine's result, a mean
// over 20 imputations from its chain, must agree within Monte Carlo error. To
// sharpen the check the engine runs several times, its random sources
// advanced by different amounts so that the replicates are independent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <utility>
#include <vector>

#include "engine/engine_test_support.h"
#include "numeric/random_sources.h"

namespace quillmere::testing {
namespace {

constexpr double lowestHazard = 0.001;
constexpr double highestHazard = 100.0;

constexpr int retainedPerRun = 20;

std::pair<double, double> meanAndStandardDeviation(const std::vector<double>& values) {
    double sum = 0.0;
    for (const double value : values) {
        sum += value;
    }
    const double mean = sum / values.size();
    double squares = 0.0;
    for (const double value : values) {
        squares += (value - mean) * (value - mean);
    }
    return {mean, std::sqrt(squares / (values.size() - 1))};
}

struct IntervalSummary {
    std::array<int, intervalCount> events{};
    std::array<double, intervalCount> exposure{};
};

IntervalSummary summarise(const TrialData& data) {
    IntervalSummary summary;
    for (int i = 0; i < data.patientCount; ++i) {
        for (int j = 0; j < intervalCount; ++j) {
            summary.events[j] += data.delta[i][j];
            summary.exposure[j] += data.exposure[i][j];
        }
    }
    return summary;
}

double drawHazard(int events, double exposure, std::mt19937_64& random) {
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    if (events == 0) {
        const double logRange = std::log(highestHazard / lowestHazard);
        for (;;) {
            const double lambda = lowestHazard * std::exp(uniform(random) * logRange);
            if (uniform(random) < std::exp(-lambda * exposure)) {
                return lambda;
            }
        }
    }
    std::gamma_distribution<double> gamma(events, 1.0 / exposure);
    for (;;) {
        const double lambda = gamma(random);
        if (lambda >= lowestHazard && lambda <= highestHazard) {
            return lambda;
        }
    }
}

struct ExactPosterior {
    double mean = 0.0;
    double meanStandardError = 0.0;
    // Spread (standard deviation) of means over 20 independent imputations.
    double spreadOf20 = 0.0;
};

ExactPosterior exactPosterior(const TrialData& data, double bound, int imputations) {
    const IntervalSummary summary = summarise(data);
    const int n = data.patientCount;
    std::vector<double> valueForCount(n + 1);
    for (int s = 0; s <= n; ++s) {
        valueForCount[s] = regularisedIncompleteBeta(bound, s + 0.1, n - s + 0.2);
    }
    int observedEvents = 0;
    std::vector<int> pending;
    for (int i = 0; i < n; ++i) {
        observedEvents += data.responseIndicator[i];
        if (data.responseIndicator[i] == 0 && data.observedTime[i] < data.maxEvaluationWindow) {
            pending.push_back(i);
        }
    }
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<double> values;
    values.reserve(imputations);
    for (int imputation = 0; imputation < imputations; ++imputation) {
        std::array<double, intervalCount> lambda{};
        for (int j = 0; j < intervalCount; ++j) {
            lambda[j] = drawHazard(summary.events[j], summary.exposure[j], random);
        }
        int events = observedEvents;
        for (const int i : pending) {
            // Survival from t_i to W: the cumulative hazard of the rest of the window.
            double remaining = 0.0;
            for (int j = 0; j < intervalCount; ++j) {
                const double length = data.intervalBound[j + 1] - data.intervalBound[j];
                remaining += lambda[j] * (length - data.exposure[i][j]);
            }
            if (uniform(random) < 1.0 - std::exp(-remaining)) {
                ++events;
            }
        }
        values.push_back(valueForCount[events]);
    }
    ExactPosterior exact;
    const auto [mean, sd] = meanAndStandardDeviation(values);
    exact.mean = mean;
    exact.meanStandardError = sd / std::sqrt(imputations);
    std::vector<double> blockMeans;
    for (std::size_t block = 0; block + retainedPerRun <= values.size(); block += retainedPerRun) {
        double sum = 0.0;
        for (int k = 0; k < retainedPerRun; ++k) {
            sum += values[block + k];
        }
        blockMeans.push_back(sum / retainedPerRun);
    }
    exact.spreadOf20 = meanAndStandardDeviation(blockMeans).second;
    return exact;
}

double engineResult(const TrialInput& input, int replicate) {
    auto data = recordWithExposures(input);
    EngineState state;
    for (int skip = 0; skip < replicate * 7919; ++skip) {
        nextUniform(state.uniform);
        openUniform(state.rand15);
    }
    EXPECT_EQ(runGibbsImputation(*data, input.eventType, state), 0);
    return data->posteriorResult;
}

// The engine's single fixed-seed result, and the mean of independent
// replicates, against the exact mean. The tolerances rest on the spread of
// 20-imputation means: from the exact sampler's independent imputations, or
// from the engine's replicates where that is larger (the chain's retained
// sweeps can be correlated, e.g. when a hazard without data wanders over its
// whole range, so its 20-imputation means spread more than independent ones).
void expectAgreementWithExactSampler(const TrialInput& input, double bound) {
    constexpr int replicates = 24;
    constexpr int exactImputations = 200000;
    const auto data = recordWithExposures(input);
    const ExactPosterior exact = exactPosterior(*data, bound, exactImputations);
    ASSERT_GT(exact.spreadOf20, 0.01) << "the pending patients should matter";

    std::vector<double> results;
    for (int replicate = 0; replicate < replicates; ++replicate) {
        results.push_back(engineResult(input, replicate));
    }
    const auto [engineMean, engineSpread] = meanAndStandardDeviation(results);
    const double spread = std::max(exact.spreadOf20, engineSpread);

    EXPECT_NEAR(results[0], exact.mean, 5 * spread)
        << "fixed-seed run; spread of 20-imputation means " << spread;
    const double standardError =
        std::hypot(spread / std::sqrt(replicates), exact.meanStandardError);
    EXPECT_NEAR(engineMean, exact.mean, 4.5 * standardError)
        << "mean of " << replicates << " replicates; exact spread " << exact.spreadOf20
        << ", engine spread " << engineSpread;
}

TEST(ImputationStatistics, ToxicityWithPendingPatientsAcrossTheWindow) {
    TrialInput input{EventType::Toxicity, 0.3, 30.0, {}};
    for (const double t : {2.0, 9.0, 17.0, 25.0}) {
        input.patients.push_back(eventAt(t));
    }
    for (const double t : {1.0, 4.0, 8.0, 12.0, 15.0, 20.0, 26.0, 29.0}) {
        input.patients.push_back(pendingFor(t));
        input.patients.push_back(completeWithoutEvent(30.0));
    }
    expectAgreementWithExactSampler(input, 0.3);
}

TEST(ImputationStatistics, EfficacyWithManyEarlyPendingPatients) {
    TrialInput input{EventType::Efficacy, 0.35, 56.0, {}};
    for (const double t : {5.0, 10.0, 30.0, 44.0, 51.0, 55.0}) {
        input.patients.push_back(eventAt(t));
    }
    for (const double t : {1.0, 3.0, 7.0, 14.0, 22.0, 35.0, 48.0, 50.0, 53.0, 2.0}) {
        input.patients.push_back(pendingFor(t));
    }
    for (int i = 0; i < 5; ++i) {
        input.patients.push_back(completeWithoutEvent(56.0));
    }
    expectAgreementWithExactSampler(input, 0.35);
}

TEST(ImputationStatistics, ProgressionWithUninformedLateIntervals) {
    // Nobody has been followed beyond 7 of 12: the last two intervals rest on
    // the prior and the sampling range alone.
    TrialInput input{EventType::DiseaseProgression, 0.5, 12.0, {eventAt(1.0), eventAt(3.5)}};
    for (const double t : {0.5, 1.5, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0}) {
        input.patients.push_back(pendingFor(t));
    }
    ASSERT_EQ(firstUninformedInterval(*recordWithExposures(input)), 4);
    expectAgreementWithExactSampler(input, 1 - 0.5);
}

}  // namespace
}  // namespace quillmere::testing
