// Under the window range the time unit no longer matters: the same patients
// written in hours, days, weeks and months give the same decision, and the
// same probability up to the rounding of the converted times. Under the
// console program's range they do not, which shows the cases are ones where
// the unit would matter.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <random>
#include <string>

#include "analysis/analysis_test_support.h"

namespace quillmere::testing {
namespace {

// Days to hours, days, weeks and months (365.25 / 12 days).
constexpr std::array<double, 4> unitFactors{24.0, 1.0, 1.0 / 7.0, 12.0 / 365.25};
constexpr std::size_t days = 1;

// A look of a trial in days: patients enrolled at random over the last
// 1.5 windows, each with an exponential time to event.
TrialInput randomLook(std::mt19937_64& random) {
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const std::array<EventType, 3> types{EventType::Toxicity, EventType::Efficacy,
                                         EventType::DiseaseProgression};
    TrialInput input;
    input.eventType = types[random() % 3];
    input.rateBound = 0.15 + 0.5 * uniform(random);
    input.maxEvaluationWindow = 14.0 + 350.0 * uniform(random);
    const double window = input.maxEvaluationWindow;
    const double eventRate = (0.2 + 1.5 * uniform(random)) / window;
    const int patients = 3 + static_cast<int>(random() % 23);
    for (int i = 0; i < patients; ++i) {
        const double followUp = 1.5 * window * uniform(random) + 0.01;
        const double eventTime = -std::log(uniform(random)) / eventRate;
        if (eventTime <= std::min(followUp, window)) {
            input.patients.push_back({"E" + std::to_string(i), 1, eventTime, followUp});
        } else {
            input.patients.push_back(
                {"N" + std::to_string(i), 0, std::min(followUp, window), followUp});
        }
    }
    return input;
}

TrialInput inUnit(TrialInput input, double factor) {
    input.maxEvaluationWindow *= factor;
    for (PatientEntry& patient : input.patients) {
        patient.timeToEvent *= factor;
        patient.followUpTime *= factor;
    }
    return input;
}

std::array<AnalysisResult, unitFactors.size()> resultsInEveryUnit(const TrialInput& look,
                                                                  double cutoff, double shape,
                                                                  HazardRange range) {
    std::array<AnalysisResult, unitFactors.size()> results;
    for (std::size_t u = 0; u < unitFactors.size(); ++u) {
        const AnalysisOutcome outcome =
            analyse(analysisInputOf(inUnit(look, unitFactors[u]), cutoff, shape, range));
        EXPECT_TRUE(outcome.succeeded()) << outcome.error().text;
        if (outcome.succeeded()) {
            results[u] = outcome.value();
        }
    }
    return results;
}

TEST(WindowRangeUnits, SameDecisionsAndProbabilitiesInHoursDaysWeeksAndMonths) {
    std::mt19937_64 random(16);
    const std::array<double, 4> shapes{0.0, 0.5, 1.0, 2.0};
    int unitRangeDiffers = 0;
    for (int sample = 0; sample < 24; ++sample) {
        const TrialInput look = randomLook(random);
        const double shape = shapes[sample % shapes.size()];
        SCOPED_TRACE("case " + std::to_string(sample) + ", shape " + std::to_string(shape));
        // A cut-off near the probability in days, so that decisions are close calls.
        const auto inDays = resultsInEveryUnit(look, 0.5, shape, HazardRange::Window)[days];
        const double cutoff = std::clamp(inDays.reportedProbability + 0.002, 0.01, 0.99);
        const auto results = resultsInEveryUnit(look, cutoff, shape, HazardRange::Window);
        for (std::size_t u = 0; u < unitFactors.size(); ++u) {
            EXPECT_EQ(results[u].terminate, results[days].terminate) << "unit " << u;
            EXPECT_NEAR(results[u].reportedProbability, results[days].reportedProbability, 1e-9)
                << "unit " << u;
            EXPECT_EQ(results[u].uninformedFrom.has_value(),
                      results[days].uninformedFrom.has_value());
        }
        const auto unitRange = resultsInEveryUnit(look, cutoff, shape, HazardRange::Unit);
        unitRangeDiffers +=
            std::abs(unitRange[0].reportedProbability - unitRange[days].reportedProbability) > 0.01;
    }
    EXPECT_GE(unitRangeDiffers, 12) << "in hours the console program's range should matter";
}

}  // namespace
}  // namespace quillmere::testing
