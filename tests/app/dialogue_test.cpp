// The banner, the event-type question and its answers, run through the built
// program. No configuration file exists here, so each run ends right after
// the configuration step, which shows which file the answer chose.
#include <gtest/gtest.h>

#include "app/console_text.h"
#include "app/program_runner.h"

namespace quillmere::testing {
namespace {

std::string missingConfigurationBlock(const TrialDirectory& dir, const std::string& fileName) {
    return "Failure to load file (" + (std::filesystem::canonical(dir.path()) / fileName).string() +
           ").\n";
}

TEST(Banner, EveryFramedLineIsSeventyFourCharacters) {
    const std::vector<std::string> lines = splitLines(bannerText);
    ASSERT_GE(lines.size(), 17u);
    for (int i : {2, 3, 4, 5, 6, 7}) {
        EXPECT_EQ(lines[static_cast<std::size_t>(i)].size(), 74u)
            << lines[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(lines[11].size(), 73u);
}

TEST(Dialogue, ArgumentThreeChoosesDiseaseProgressionWithoutReadingInput) {
    TrialDirectory dir;
    const ProgramRun run = dir.run({"3"}, "1\n");
    EXPECT_EQ(
        run.out.rfind(bannerText + confirmationText("DISEASE PROGRESSION.") +
                          missingConfigurationBlock(dir, "TrialConfig_DiseaseProgression.config"),
                      0),
        0u)
        << run.out;
    EXPECT_EQ(run.status, 2);
}

TEST(Dialogue, WrongArgumentLeadsIntoTheQuestion) {
    TrialDirectory dir;
    const ProgramRun run = dir.run({"7"}, "2\n");
    EXPECT_EQ(run.out.rfind(bannerText + incorrectResponseText + confirmationText("EFFICACY.") +
                                missingConfigurationBlock(dir, "TrialConfig_Efficacy.config"),
                            0),
              0u)
        << run.out;
}

TEST(Dialogue, OnlyTheFirstCharacterOfTheArgumentCounts) {
    TrialDirectory dir;
    for (const std::string argument : {"12", "1x"}) {
        const ProgramRun run = dir.run({argument});
        EXPECT_EQ(run.out.rfind(bannerText + confirmationText("TOXICITY."), 0), 0u) << argument;
    }
}

TEST(Dialogue, AnswerTypedAtTheQuestion) {
    TrialDirectory dir;
    const ProgramRun run = dir.run({}, "  \n\n 3\n");
    EXPECT_EQ(run.out.rfind(bannerText + confirmationText("DISEASE PROGRESSION."), 0), 0u);
}

TEST(Dialogue, WrongAnswersAreAskedAgainUntilOneFits) {
    TrialDirectory dir;
    const ProgramRun run = dir.run({}, "0\n4 -1\nabc\n2.5\n");
    // 0, 4 and -1 are wrong; "abc" is skipped; 2 is taken from "2.5".
    std::string expected = bannerText;
    for (int i = 0; i < 4; ++i) {
        expected += incorrectResponseText;
    }
    expected += confirmationText("EFFICACY.");
    EXPECT_EQ(run.out.rfind(expected, 0), 0u) << run.out;
}

TEST(Dialogue, EndOfInputAtTheQuestionEndsTheRun) {
    TrialDirectory dir;
    for (const std::string input : {"", "5\n", "abc\n", "9999999999999\n"}) {
        const ProgramRun run = dir.run({}, input);
        std::string expected = bannerText;
        if (!input.empty()) {
            expected += incorrectResponseText;
        }
        expected += "\nNo answer was given: the input ended before 1, 2 or 3 was entered.\n";
        EXPECT_EQ(run.out, expected) << input;
        EXPECT_EQ(run.status, 3) << input;
        EXPECT_FALSE(dir.exists("summary.txt"));
    }
}

}  // namespace
}  // namespace quillmere::testing
