// The analysis options of the hazard model: their checks, that their defaults
// are the console program's computation, what they leave alone, and that the
// sampler works under them across the windows and shapes the analysis takes.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "analysis/analysis_test_support.h"

namespace quillmere::testing {
namespace {

TrialInput mixedLook(double window) {
    TrialInput input{EventType::Toxicity, 0.3, window, {}};
    for (const double share : {0.05, 0.3, 0.55}) {
        input.patients.push_back(eventAt(share * window));
    }
    for (const double share : {0.02, 0.1, 0.2, 0.4, 0.6, 0.8}) {
        input.patients.push_back(pendingFor(share * window));
    }
    for (int i = 0; i < 4; ++i) {
        input.patients.push_back(completeWithoutEvent(window));
    }
    return input;
}

// Twelve pending patients without events over the first two thirds of the
// window: its last third rests on the prior alone.
TrialInput earlyLookWithoutEvents(double window) {
    TrialInput input{EventType::Toxicity, 0.3, window, {}};
    for (int i = 0; i < 12; ++i) {
        input.patients.push_back(pendingFor(window * (2.0 / 3.0) * (12 - i) / 12.0));
    }
    return input;
}

AnalysisError settingsError(double shape, HazardRange range) {
    const AnalysisOutcome outcome = analyse(analysisInputOf(mixedLook(90.0), 0.9, shape, range));
    EXPECT_FALSE(outcome.succeeded());
    return outcome.succeeded() ? AnalysisError{} : outcome.error();
}

TEST(HazardOptions, ShapesOutsideZeroToTheMaximumAreRefusedAsSettings) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    for (const auto& [shape, shown] :
         {std::pair{-1.0, "-1"}, std::pair{-1e-300, "-1e-300"}, std::pair{100.5, "100.5"},
          std::pair{nan, "nan"}, std::pair{infinity, "inf"}}) {
        const AnalysisError error = settingsError(shape, HazardRange::Unit);
        EXPECT_EQ(error.kind, AnalysisErrorKind::InvalidSettings);
        EXPECT_EQ(error.exitStatus, exitConfigurationFailure);
        EXPECT_EQ(error.text, "The Hazard Prior Shape was set to (" + std::string(shown) +
                                  "). This value must lie within [0, 100].\n\n");
    }
    EXPECT_EQ(settingsError(1.0, static_cast<HazardRange>(7)).text,
              "The Hazard Range is neither unit nor window.\n\n");
}

TEST(HazardOptions, ProblemsOfTheRuleComeFirstInOneBlock) {
    AnalysisInput input = analysisInputOf(mixedLook(90.0), 0.9, -2.0, HazardRange::Window);
    input.rule.cutoffProbability = 1.5;
    const AnalysisOutcome outcome = analyse(input);
    ASSERT_FALSE(outcome.succeeded());
    EXPECT_EQ(outcome.error().text,
              "The Cutoff Probability was set to (1.5). This value must lay within the open "
              "interval (0,1).\nThe Hazard Prior Shape was set to (-2). This value must lie "
              "within [0, 100].\n\n");
}

TEST(HazardOptions, DefaultsAndAZeroShapeOfEitherSignAreTheConsoleComputation) {
    for (const TrialInput& look : {mixedLook(90.0), earlyLookWithoutEvents(90.0)}) {
        AnalysisInput input = analysisInputOf(look, 0.9, 0.0, HazardRange::Unit);
        input.rule = {look.eventType, look.rateBound, 0.9, look.maxEvaluationWindow};
        ASSERT_TRUE(hasConsoleHazardModel(input.rule));
        const AnalysisResult defaults = analyse(input).value();
        // The console program's own state: shapes 0, chained means, [0.001, 100].
        const auto data = recordWithExposures(look);
        EngineState state;
        ASSERT_EQ(runGibbsImputation(*data, look.eventType, state), 0);
        EXPECT_EQ(bitsOf(defaults.posteriorResult), bitsOf(data->posteriorResult));
        for (const double zero : {0.0, -0.0}) {
            input.rule.hazardPriorShape = zero;
            const AnalysisResult result = analyse(input).value();
            EXPECT_EQ(bitsOf(result.posteriorResult), bitsOf(defaults.posteriorResult));
            for (int j = 0; j < intervalCount; ++j) {
                EXPECT_EQ(bitsOf(result.hazards[j]), bitsOf(defaults.hazards[j]));
            }
        }
    }
}

TEST(HazardOptions, WithEveryOutcomeKnownTheHazardModelPlaysNoPart) {
    TrialInput look{EventType::Efficacy, 0.3, 60.0, {}};
    for (int i = 0; i < 9; ++i) {
        look.patients.push_back(i % 3 == 0 ? eventAt(7.0 * i + 1) : completeWithoutEvent(60.0));
    }
    const double expected =
        analyse(analysisInputOf(look, 0.9, 0.0, HazardRange::Unit)).value().posteriorResult;
    for (const double shape : {0.0, 0.5, 2.0}) {
        for (const HazardRange range : {HazardRange::Unit, HazardRange::Window}) {
            const AnalysisOutcome outcome = analyse(analysisInputOf(look, 0.9, shape, range));
            ASSERT_TRUE(outcome.succeeded());
            EXPECT_EQ(bitsOf(outcome.value().posteriorResult), bitsOf(expected));
        }
    }
}

TEST(HazardOptions, TheWindowRangeReportsInTheUnitOfTheData) {
    const TrialInput look = earlyLookWithoutEvents(90.0);
    const AnalysisResult unit = analyse(analysisInputOf(look, 0.9, 1.0, HazardRange::Unit)).value();
    const AnalysisResult window =
        analyse(analysisInputOf(look, 0.9, 1.0, HazardRange::Window)).value();
    ASSERT_TRUE(unit.uninformedFrom && window.uninformedFrom);
    EXPECT_EQ(bitsOf(*window.uninformedFrom), bitsOf(*unit.uninformedFrom));
    EXPECT_EQ(*window.uninformedFrom, 60.0);
    const HazardBounds bounds =
        hazardBounds(analysisInputOf(look, 0.9, 1.0, HazardRange::Window).rule);
    EXPECT_EQ(bounds.lower, 1e-4 / 90.0);
    EXPECT_EQ(bounds.upper, 1e4 / 90.0);
    for (const double hazard : window.hazards) {
        // Per day: near lambda0 = -ln(0.7) / 90 = 0.004, far below the range of a window.
        EXPECT_GE(hazard, bounds.lower * (1 - 1e-15));
        EXPECT_LE(hazard, 0.1);
    }
}

TEST(HazardOptions, RangeNamesReadInAnyLetterCase) {
    EXPECT_EQ(hazardRangeNamed("Window"), HazardRange::Window);
    EXPECT_EQ(hazardRangeNamed("UNIT"), HazardRange::Unit);
    EXPECT_EQ(hazardRangeNamed("windows"), std::nullopt);
    EXPECT_EQ(hazardRangeName(HazardRange::Window), "window");
    EXPECT_EQ(hazardRangeName(HazardRange::Unit), "unit");
}

// From the smallest to the largest window the analysis takes, weak to strong
// priors, both ranges: every analysis ends with a probability.
TEST(HazardOptions, TheSamplerWorksAcrossWindowsShapesAndRanges) {
    for (const double window : {1e-300, 1e-3, 90.0, 700000.0}) {
        for (const double shape : {1e-3, 0.5, 2.0, maxHazardPriorShape}) {
            for (const HazardRange range : {HazardRange::Unit, HazardRange::Window}) {
                for (const TrialInput& look : {mixedLook(window), earlyLookWithoutEvents(window)}) {
                    SCOPED_TRACE("window " + std::to_string(window) + ", shape " +
                                 std::to_string(shape) + ", " + hazardRangeName(range));
                    const AnalysisOutcome outcome =
                        analyse(analysisInputOf(look, 0.9, shape, range));
                    ASSERT_TRUE(outcome.succeeded()) << outcome.error().text;
                    EXPECT_GE(outcome.value().reportedProbability, 0.0);
                    EXPECT_LE(outcome.value().reportedProbability, 1.0);
                }
            }
        }
    }
}

}  // namespace
}  // namespace quillmere::testing
