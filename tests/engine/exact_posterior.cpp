#include "engine/exact_posterior.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>

namespace quillmere::testing {
namespace {

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

// One draw of a hazard from its full conditional: gamma of the given shape
// and rate truncated to the model's range.
double drawHazard(double shape, double rate, const ExactModel& model, std::mt19937_64& random) {
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    if (shape == 0) {
        const double logRange = std::log(model.upperBound / model.lowerBound);
        for (;;) {
            const double lambda = model.lowerBound * std::exp(uniform(random) * logRange);
            if (uniform(random) < std::exp(-lambda * rate)) {
                return lambda;
            }
        }
    }
    std::gamma_distribution<double> gamma(shape, 1.0 / rate);
    for (;;) {
        const double lambda = gamma(random);
        if (lambda >= model.lowerBound && lambda <= model.upperBound) {
            return lambda;
        }
    }
}

}  // namespace

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

ExactPosterior exactPosterior(const TrialData& data, double bound, int imputations,
                              const ExactModel& model) {
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
            lambda[j] = drawHazard(model.priorShape + summary.events[j],
                                   model.priorRate + summary.exposure[j], model, random);
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

void expectAgreement(const std::vector<double>& engineResults, const ExactPosterior& exact) {
    ASSERT_GT(exact.spreadOf20, 0.01) << "the pending patients should matter";
    const auto [engineMean, engineSpread] = meanAndStandardDeviation(engineResults);
    const double spread = std::max(exact.spreadOf20, engineSpread);
    EXPECT_NEAR(engineResults[0], exact.mean, 5 * spread)
        << "fixed-seed run; spread of 20-imputation means " << spread;
    const double standardError =
        std::hypot(spread / std::sqrt(engineResults.size()), exact.meanStandardError);
    EXPECT_NEAR(engineMean, exact.mean, 4.5 * standardError)
        << "mean of " << engineResults.size() << " replicates; exact spread " << exact.spreadOf20
        << ", engine spread " << engineSpread;
}

TrialInput toxicityWithPendingAcrossTheWindow() {
    TrialInput input{EventType::Toxicity, 0.3, 30.0, {}};
    for (const double t : {2.0, 9.0, 17.0, 25.0}) {
        input.patients.push_back(eventAt(t));
    }
    for (const double t : {1.0, 4.0, 8.0, 12.0, 15.0, 20.0, 26.0, 29.0}) {
        input.patients.push_back(pendingFor(t));
        input.patients.push_back(completeWithoutEvent(30.0));
    }
    return input;
}

TrialInput efficacyWithManyEarlyPending() {
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
    return input;
}

TrialInput progressionWithUninformedLateIntervals() {
    TrialInput input{EventType::DiseaseProgression, 0.5, 12.0, {eventAt(1.0), eventAt(3.5)}};
    for (const double t : {0.5, 1.5, 2.0, 3.0, 4.0, 5.0, 6.0, 7.0}) {
        input.patients.push_back(pendingFor(t));
    }
    return input;
}

}  // namespace quillmere::testing
