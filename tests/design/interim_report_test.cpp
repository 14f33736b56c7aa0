// The numbers of the interim report: the same as the analysis, the stability
// study and the hazard options give on their own, to the bit.
#include <gtest/gtest.h>

#include <cstring>

#include "design/design_test_support.h"
#include "design/interim_report.h"
#include "design/sha256.h"

namespace quillmere {
namespace {

const ProgressCallback noProgress = [](long, long) {};

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(InterimReport, ReadsHazardModelLists) {
    struct Case {
        std::string text;
        std::vector<std::pair<double, HazardRange>> options;  // empty: refused
    };
    const std::vector<Case> cases = {
        {"1:window", {{1.0, HazardRange::Window}}},
        {"0.5:unit,2:WINDOW", {{0.5, HazardRange::Unit}, {2.0, HazardRange::Window}}},
        {"0:unit", {{0.0, HazardRange::Unit}}},
        {"100:window", {{100.0, HazardRange::Window}}},
        {"", {}},
        {"1", {}},
        {"1:days", {}},
        {"-1:unit", {}},
        {"101:unit", {}},
        {"nan:unit", {}},
        {"1x:unit", {}},
        {"1:unit,", {}},
        {"1:unit,,2:unit", {}},
    };
    for (const Case& c : cases) {
        const HazardOptionList list = hazardOptionsNamed(c.text);
        ASSERT_EQ(list.options.size(), c.options.size()) << c.text;
        EXPECT_EQ(list.problem.empty(), !c.options.empty()) << c.text;
        for (std::size_t i = 0; i < c.options.size(); ++i) {
            EXPECT_EQ(list.options[i].priorShape, c.options[i].first) << c.text;
            EXPECT_EQ(list.options[i].range, c.options[i].second) << c.text;
            EXPECT_EQ(hazardOptionsNamed(hazardOptionName(list.options[i])).options.size(), 1u);
        }
    }
}

TEST(InterimReport, CountsTheDataFilesFacts) {
    AnalysisInput input;
    input.rule = {EventType::Toxicity, 0.3, 0.9, 30.0};
    input.patients = {{"A", 0, 30, 45}, {"B", 1, 4, 40}, {"C", 0, 12, 12},
                      {"D", 0, 30, 30}, {"E", 1, 2, 3},  {"F", 0, 1.5, 1.5}};
    const TrialFacts facts = trialFacts(input);
    EXPECT_EQ(facts.patients, 6);
    EXPECT_EQ(facts.events, 2);
    EXPECT_EQ(facts.completeNonEvents, 2);  // A, and D followed for exactly the window
    EXPECT_EQ(facts.pending, 2);            // C and F
    EXPECT_EQ(facts.latestId, "F");
    EXPECT_EQ(facts.latestFollowUp, 1.5);
    EXPECT_EQ(facts.longestFollowUp, 45.0);
}

std::filesystem::path writtenTrial() {
    const auto directory = testing::freshDirectory("interim-report");
    testing::writeText(directory / "TrialConfig_Efficacy.config",
                       "TrialType = Efficacy\nRateBound = 0.4\nCutoffProbability = 0.7\n"
                       "MaxEvaluationWindow = 10\nInputDataFileName = data_efficacy.txt\n");
    testing::writeText(directory / "data_efficacy.txt",
                       "PatientData EFFICACY_EVENT Time FollowUp\nE1 1 2 14\nE2 0 10 12\n"
                       "E3 0 6 6\nE4 1 3 5\nE5 0 2 2\n");
    return directory;
}

TEST(InterimReport, HoldsWhatEachComputationGivesOnItsOwn) {
    const auto directory = writtenTrial();
    const InterimRequest request{directory, 2, {12, 2, 99}, {{0.5, HazardRange::Unit}}};
    const std::optional<InterimOutcome> made = makeInterimReport(request, noProgress);
    ASSERT_TRUE(made && *made) << (made && !*made ? made->error().text : "stopped");
    const InterimReport& report = made->value();

    const InputOutcome input = readTrialDirectory(directory, 2);
    ASSERT_TRUE(input);
    const AnalysisOutcome own = analyse(input.value());
    ASSERT_TRUE(own);
    EXPECT_TRUE(sameBits(report.study.fixed.reportedProbability, own.value().reportedProbability));
    EXPECT_EQ(report.study.fixed.terminate, own.value().terminate);

    const std::optional<StabilityOutcome> study =
        runStability(input.value(), {12, 1, 99}, noProgress);
    ASSERT_TRUE(study && *study);
    ASSERT_EQ(report.study.probabilities.size(), 12u);
    for (std::size_t i = 0; i < 12; ++i) {
        EXPECT_TRUE(sameBits(report.study.probabilities[i], study->value().probabilities[i]));
    }
    const StabilitySummary summary = summariseStability(study->value());
    EXPECT_TRUE(sameBits(report.summary.mean, summary.mean));
    EXPECT_TRUE(sameBits(report.summary.meanError, summary.meanError));
    EXPECT_EQ(report.summary.differingAdvice, summary.differingAdvice);

    // The proper prior first, then the options asked for.
    ASSERT_EQ(report.sensitivity.size(), 2u);
    const std::vector<HazardOption> expected = {properHazardPrior, {0.5, HazardRange::Unit}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        AnalysisInput other = input.value();
        other.rule.hazardPriorShape = expected[i].priorShape;
        other.rule.hazardRange = expected[i].range;
        const AnalysisOutcome alone = analyse(other);
        ASSERT_TRUE(alone);
        EXPECT_TRUE(sameBits(report.sensitivity[i].result.reportedProbability,
                             alone.value().reportedProbability));
        EXPECT_EQ(report.sensitivity[i].option.priorShape, expected[i].priorShape);
    }

    EXPECT_EQ(report.configuration.name, "TrialConfig_Efficacy.config");
    EXPECT_EQ(report.configuration.sha256,
              sha256Text(testing::readText(directory / "TrialConfig_Efficacy.config")));
    EXPECT_EQ(report.data.name, "data_efficacy.txt");
    EXPECT_EQ(report.data.sha256, sha256Text(testing::readText(directory / "data_efficacy.txt")));
    EXPECT_FALSE(std::filesystem::exists(directory / "summary.txt"));
}

TEST(InterimReport, GivesTheReadersErrorForADirectoryQuillmereRefuses) {
    const auto directory = writtenTrial();
    for (const int answer : {1, 3}) {  // no configuration for these answers
        const std::optional<InterimOutcome> made =
            makeInterimReport({directory, answer, {2, 1, 1}, {}}, noProgress);
        ASSERT_TRUE(made);
        ASSERT_FALSE(*made);
        const InputOutcome read = readTrialDirectory(directory, answer);
        EXPECT_EQ(made->error().text, read.error().text);
        EXPECT_EQ(made->error().exitStatus, read.error().exitStatus);
    }
}

}  // namespace
}  // namespace quillmere
