// The fast evaluation of the hazard log-posterior must give exactly the bits
// of the reference evaluation: on single evaluations over many random
// records, hazards, indices and arguments, and on whole imputation runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <span>
#include <vector>

#include "engine/engine_test_support.h"
#include "engine/hazard_posterior_terms.h"

namespace quillmere::testing {
namespace {

class RandomTrials {
  public:
    explicit RandomTrials(std::uint64_t seed) : random(seed) {}

    double uniform(double low, double high) {
        return std::uniform_real_distribution<double>(low, high)(random);
    }
    int integer(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    bool chance(double probability) { return uniform(0.0, 1.0) < probability; }

    // Log-uniform on the sampling range, now and then exactly at its ends or 1.
    double hazard() {
        switch (integer(0, 9)) {
            case 0:
                return 0.001;
            case 1:
                return 100.0;
            case 2:
                return 1.0;
            default:
                return 0.001 * std::pow(1e5, uniform(0.0, 1.0));
        }
    }

    // A time in [0, W], sometimes exactly 0, W or an interval bound.
    double time(double window) {
        switch (integer(0, 7)) {
            case 0:
                return 0.0;
            case 1:
                return window;
            case 2:
                return window * integer(1, 5) / 6.0;
            default:
                return uniform(0.0, window);
        }
    }

    TrialInput trial() {
        static constexpr double windows[] = {6.0, 12.0, 28.0, 56.0, 90.0, 7.3};
        TrialInput input;
        input.eventType = static_cast<EventType>(integer(1, 3));
        input.rateBound = uniform(0.05, 0.95);
        input.maxEvaluationWindow = chance(0.8) ? windows[integer(0, 5)] : uniform(1.0, 200.0);
        const int size = chance(0.1) ? integer(300, maxPatients) : integer(0, 60);
        for (int i = 0; i < size; ++i) {
            const double window = input.maxEvaluationWindow;
            switch (integer(0, 2)) {
                case 0: {
                    const double t = time(window);
                    input.patients.push_back({"E", 1, t, t + uniform(0.0, window)});
                    break;
                }
                case 1:
                    input.patients.push_back({"C", 0, window, window + uniform(0.0, window)});
                    break;
                default:
                    input.patients.push_back(pendingFor(time(window)));
                    break;
            }
        }
        return input;
    }

  private:
    std::mt19937_64 random;
};

double literalValue(const TrialData& data, const EngineState& state, double x) {
    HazardPosteriorContext reference{&data, &state};
    return hazardLogPosterior(x, &reference);
}

bool usable(double x) {
    return x > 0.0 && std::isfinite(x);
}

// Announces the points as the sampler does: the values come back, the
// reference's bits, exactly when every point can be formed ahead (at most
// five, all finite and positive).
void expectForeseenValues(const TrialData& data, const EngineState& state,
                          HazardPosteriorTerms& terms, std::span<const double> points) {
    std::vector<double> values(points.size(), -1.0);
    const bool formed = foreseeHazardLogPosterior(points, values, &terms);
    const bool formable =
        !points.empty() && points.size() <= 5 && std::all_of(points.begin(), points.end(), usable);
    EXPECT_EQ(formed, formable) << points.size() << " points";
    if (!formed) {
        return;
    }
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(bitsOf(values[i]), bitsOf(literalValue(data, state, points[i])))
            << "announced x=" << points[i] << " k=" << state.currentHazardIndex;
    }
}

void expectSameBits(const TrialData& data, const EngineState& state, HazardPosteriorTerms& terms,
                    double x) {
    HazardPosteriorContext reference{&data, &state};
    const double literal = hazardLogPosterior(x, &reference);
    const double fast = fastHazardLogPosterior(x, &terms);
    ASSERT_EQ(bitsOf(fast), bitsOf(literal))
        << "x=" << x << " k=" << state.currentHazardIndex << " n=" << data.patientCount
        << " literal " << literal << " fast " << fast;
}

TEST(FastPosteriorIdentity, EqualBitsOnRandomRecordsHazardsIndicesAndArguments) {
    RandomTrials random(20240611);
    for (int record = 0; record < 300; ++record) {
        SCOPED_TRACE("record " + std::to_string(record));
        auto data = recordWithExposures(random.trial());
        EngineState state;
        if (random.chance(0.2)) {
            for (double& shape : state.hazardPriorShape) {
                shape = random.uniform(0.0, 3.0);
            }
        }
        for (double& hazard : data->hazard) {
            hazard = random.hazard();
        }
        HazardPosteriorTerms terms = prepareHazardPosteriorTerms(*data, state);
        // A sweep-like sequence: for hazard k some points are announced as
        // by the sampler (up to seven, with odd ones among them), then k is
        // evaluated at these and many other points, also after another
        // hazard or the index changed behind the points formed ahead; then
        // hazard k gets a new value.
        for (int step = 0; step < 18; ++step) {
            const int k = random.chance(0.7) ? step % intervalCount : random.integer(0, 5);
            state.currentHazardIndex = k;
            std::vector<double> points;
            const int announced = random.integer(0, 7);
            for (int point = 0; point < announced; ++point) {
                points.push_back(random.chance(0.1) ? -random.hazard() : random.hazard());
            }
            if (random.chance(0.5)) {
                points.push_back(data->hazard[k]);
            }
            expectForeseenValues(*data, state, terms, points);
            if (random.chance(0.3)) {
                // A second announcement, as for a candidate and its moved place.
                const std::array<double, 2> pair{random.hazard(), random.hazard()};
                expectForeseenValues(*data, state, terms, pair);
                points.insert(points.end(), pair.begin(), pair.end());
            }
            for (int point = 0; point < 8; ++point) {
                points.push_back(random.hazard());
            }
            for (const double x : points) {
                expectSameBits(*data, state, terms, x);
            }
            if (random.chance(0.3)) {
                data->hazard[(k + random.integer(1, 5)) % intervalCount] = random.hazard();
            } else if (random.chance(0.3)) {
                state.currentHazardIndex = (k + 1) % intervalCount;
            }
            for (const double x : points) {
                expectSameBits(*data, state, terms, x);
            }
            if (::testing::Test::HasFatalFailure()) {
                return;
            }
            // Mostly, as in the sampler, the new value is a point just
            // formed: the next index then finds it as its previous value.
            const double formedPoint =
                points[random.integer(0, static_cast<int>(points.size()) - 1)];
            data->hazard[k] =
                random.chance(0.6) && usable(formedPoint) ? formedPoint : random.hazard();
        }
    }
}

TEST(FastPosteriorIdentity, HazardsOutsideTheSamplingRangeGiveTheReferenceValue) {
    const auto input =
        TrialInput{EventType::Toxicity,
                   0.3,
                   30.0,
                   {eventAt(4.0), pendingFor(0.0), pendingFor(12.0), completeWithoutEvent(30.0)}};
    auto data = recordWithExposures(input);
    EngineState state;
    HazardPosteriorTerms terms = prepareHazardPosteriorTerms(*data, state);
    const double infinity = std::numeric_limits<double>::infinity();
    // The record as the driver prepares it holds zero hazards; others are
    // never produced but must not make the two evaluations differ.
    for (const double odd : {0.0, -0.0, -1.0, infinity, 1e-300, 1e300}) {
        for (int k = 0; k < intervalCount; ++k) {
            data->hazard = {0.5, 0.2, 0.1, 0.05, 0.3, 0.9};
            data->hazard[(k + 1) % intervalCount] = odd;
            state.currentHazardIndex = k;
            for (const double x : {0.001, 0.7, 100.0, 0.0, -2.0, infinity, odd}) {
                HazardPosteriorContext reference{data.get(), &state};
                const double literal = hazardLogPosterior(x, &reference);
                const double fast = fastHazardLogPosterior(x, &terms);
                if (std::isnan(literal)) {
                    EXPECT_TRUE(std::isnan(fast)) << "x=" << x << " hazard " << odd;
                } else {
                    EXPECT_EQ(bitsOf(fast), bitsOf(literal)) << "x=" << x << " hazard " << odd;
                }
            }
        }
    }
}

struct RunOutcome {
    std::unique_ptr<TrialData> data;
    EngineState state;
};

RunOutcome runWith(const TrialInput& input, PosteriorEvaluation evaluation) {
    RunOutcome outcome{recordWithExposures(input), EngineState{}};
    EXPECT_EQ(runGibbsImputation(*outcome.data, input.eventType, outcome.state, evaluation), 0);
    return outcome;
}

void expectIdenticalRuns(const TrialInput& input) {
    const RunOutcome literal = runWith(input, PosteriorEvaluation::Literal);
    const RunOutcome fast = runWith(input, PosteriorEvaluation::Fast);
    EXPECT_EQ(bitsOf(fast.data->posteriorResult), bitsOf(literal.data->posteriorResult));
    for (int j = 0; j < intervalCount; ++j) {
        EXPECT_EQ(bitsOf(fast.data->hazard[j]), bitsOf(literal.data->hazard[j])) << "hazard " << j;
    }
    // Both random sources consumed exactly the same numbers.
    EXPECT_EQ(fast.state.rand15.state, literal.state.rand15.state);
    EXPECT_EQ(fast.state.uniform.coarseState, literal.state.uniform.coarseState);
}

TEST(FastPosteriorIdentity, WholeRunsOnTheReferenceTrials) {
    for (const char* directory :
         {"toxicity-n60", "efficacy-n80", "diseaseprogression-n45", "toxicity-n200"}) {
        SCOPED_TRACE(directory);
        expectIdenticalRuns(loadReferenceTrial(directory));
    }
}

TEST(FastPosteriorIdentity, WholeRunsOnSmallAndUninformedTrials) {
    expectIdenticalRuns({EventType::Toxicity, 0.3, 90.0, {}});
    expectIdenticalRuns({EventType::Efficacy, 0.35, 56.0, {pendingFor(0.0), pendingFor(3.0)}});
    expectIdenticalRuns({EventType::DiseaseProgression,
                         0.5,
                         12.0,
                         {eventAt(0.0), eventAt(1.0), pendingFor(2.0), pendingFor(7.0),
                          completeWithoutEvent(12.0)}});
}

TEST(FastPosteriorIdentity, WholeRunWith500Patients) {
    RandomTrials random(500);
    TrialInput input{EventType::Toxicity, 0.25, 28.0, {}};
    while (input.patients.size() < maxPatients) {
        const TrialInput more = random.trial();
        for (const PatientEntry& patient : more.patients) {
            if (input.patients.size() < maxPatients) {
                // Rescale to this window, keeping each patient's kind.
                const double scale = 28.0 / more.maxEvaluationWindow;
                input.patients.push_back({patient.id, patient.responseIndicator,
                                          patient.timeToEvent * scale,
                                          patient.followUpTime * scale});
            }
        }
    }
    expectIdenticalRuns(input);
}

}  // namespace
}  // namespace quillmere::testing
