// Settings right at the limits within which the computation is sound run to
// the end with a probability that is a number; settings just beyond them are
// rejected by the configuration check (their messages are in the bad-input
// matrix).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "app/console_text.h"
#include "app/program_runner.h"
#include "app/trial_files.h"

namespace quillmere::testing {
namespace {

struct LimitCase {
    const char* name;
    const TrialKind* kind;
    const char* rateBound;
    const char* window;
};

// Eight patients spread over the window: three events, some followed to the
// end, some still pending.
std::string patientsOver(double window) {
    std::string records;
    char line[128];
    for (int i = 0; i < 8; ++i) {
        const bool event = i % 3 == 0;
        const double followUp = window * (i + 1) / 9;
        const double eventTime = event ? followUp / 2 : 0.0;
        std::snprintf(line, sizeof line, "P%d %d %.17g %.17g\n", i + 1, event ? 1 : 0, eventTime,
                      followUp);
        records += line;
    }
    return records;
}

class ComputationLimit : public ::testing::TestWithParam<LimitCase> {};

TEST_P(ComputationLimit, RunsToTheEndWithAProbability) {
    const LimitCase& c = GetParam();
    TrialDirectory dir;
    writeTrial(dir, *c.kind, patientsOver(std::strtod(c.window, nullptr)), c.window, c.rateBound);
    const ProgramRun run = dir.run({c.kind->answer}, "x");
    EXPECT_EQ(run.status, 0) << run.out;
    EXPECT_TRUE(run.out.ends_with(closingText)) << run.out;
    const std::string report = dir.read("summary.txt");
    const std::size_t result = report.find("RESULTS: Pr(");
    ASSERT_NE(result, std::string::npos) << report;
    const std::size_t equals = report.find(")=", result);
    ASSERT_NE(equals, std::string::npos);
    const double p = std::strtod(report.c_str() + equals + 2, nullptr);
    EXPECT_TRUE(p >= 0 && p <= 1) << report.substr(result, 60);
    EXPECT_EQ(report.find("nan"), std::string::npos);
    EXPECT_EQ(report.find("inf"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    AtTheLimits, ComputationLimit,
    ::testing::Values(
        LimitCase{"ToxicitySmallestBoundAndWindow", &toxicity, "1e-7", "1e-300"},
        LimitCase{"ToxicityLargestBoundAndWindow", &toxicity, "0.9999999", "700000"},
        LimitCase{"EfficacySmallestBoundLargestWindow", &efficacy, "1e-7", "700000"},
        LimitCase{"EfficacyLargestBoundSmallestWindow", &efficacy, "0.9999999", "1e-300"},
        LimitCase{"ProgressionSmallestBoundAndWindow", &diseaseProgression, "1e-7", "1e-300"},
        LimitCase{"ProgressionLargestBoundAndWindow", &diseaseProgression, "0.9999999", "700000"}),
    [](const ::testing::TestParamInfo<LimitCase>& info) { return info.param.name; });

// Just beyond each limit the run ends at the configuration check.
TEST(BeyondAComputationLimit, TheConfigurationIsRejected) {
    for (const auto& [rateBound, window] :
         {std::pair{"9.9e-8", "30"}, std::pair{"0.99999995", "30"}, std::pair{"0.3", "9e-301"},
          std::pair{"0.3", "700000.5"}}) {
        TrialDirectory dir;
        writeTrial(dir, toxicity, "A 0 1e-301 1e-301\n", window, rateBound);
        const ProgramRun run = dir.run({"1"});
        EXPECT_EQ(run.status, 2) << rateBound << " " << window;
        EXPECT_NE(run.out.find("for the computation; it must lie within"), std::string::npos)
            << run.out;
        EXPECT_FALSE(dir.exists("summary.txt"));
    }
}

}  // namespace
}  // namespace quillmere::testing
