#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "config/config.h"
#include "config/config_test_support.h"

namespace quillmere {
namespace {

const std::string kSoundConfiguration =
    "# Toxicity monitoring\n"
    "TrialType = Toxicity\n"
    "RateBound = 0.3\n"
    "CutoffProbability = 0.9\n"
    "MaxEvaluationWindow = 90\n"
    "InputDataFileName = data_toxicity.txt\n";

const std::string kMissingFileChecks =
    "Number of entries in config file is not appropriate, should have (5) entries, but (0) "
    "entries.\n"
    "Failure to find key in file (TrialType).\n"
    "Type of event provided () is not appropriate. Limit inputs to Toxicity, Efficacy, or "
    "DiseaseProgression\n"
    "Failure to find key in file (RateBound).\n"
    "Failure to find key in file (CutoffProbability).\n"
    "Failure to find key in file (MaxEvaluationWindow).\n"
    "Failure to find key in file (InputDataFileName).\n"
    "Filename provided () is not appropriate. \n"
    "Limit inputs to data_toxicity.txt, data_efficacy.txt, or data_diseaseProgression.txt\n";

// Runs loadTrialConfiguration, which itself writes nothing; returns what the
// console program shows for the outcome (a failure's whole text and a line
// end) and the failure's text (empty when it returned normally).
struct LoadOutcome {
    std::string console;
    std::string failure;
    bool failed = false;
};

LoadOutcome loadConfiguration(ConfigFileReader& reader) {
    LoadOutcome outcome;
    testing::CapturedConsole console;
    try {
        reader.loadTrialConfiguration();
    } catch (const ConfigurationFailure& failure) {
        outcome.failed = true;
        outcome.failure = failure.what();
        outcome.console = failure.text() + "\n";
    }
    EXPECT_EQ(console.text(), "") << "the loader wrote to the console itself";
    return outcome;
}

class LoadTrialConfigurationTest : public ::testing::Test {
  protected:
    testing::WorkingDirectory directory;
};

TEST_F(LoadTrialConfigurationTest, SoundFileLoadsSilentlyUnderItsAbsoluteName) {
    directory.write("TrialConfig_Toxicity.config", kSoundConfiguration);
    ConfigFileReader reader("TrialConfig_Toxicity.config");
    const LoadOutcome outcome = loadConfiguration(reader);
    EXPECT_FALSE(outcome.failed);
    EXPECT_EQ(outcome.console, "");
    EXPECT_EQ(reader.getFileName(), (directory.path / "TrialConfig_Toxicity.config").string());
    double rateBound = 0.0;
    EXPECT_TRUE(reader.getValue(rateBound, "RateBound"));
    EXPECT_EQ(rateBound, 0.3);
}

TEST_F(LoadTrialConfigurationTest, FileEndingWithoutLineFeedLosesNothing) {
    std::string unterminated = kSoundConfiguration;
    unterminated.pop_back();
    directory.write("TrialConfig_Efficacy.config", unterminated);
    ConfigFileReader reader("TrialConfig_Efficacy.config");
    const LoadOutcome outcome = loadConfiguration(reader);
    EXPECT_FALSE(outcome.failed) << outcome.console;
    EXPECT_EQ(readTrialSettings(reader).dataFileName, "data_toxicity.txt");
}

TEST_F(LoadTrialConfigurationTest, MissingFilePrintsWholeBlockThenEmptyLine) {
    ConfigFileReader reader("TrialConfig_Toxicity.config");
    const LoadOutcome outcome = loadConfiguration(reader);
    const std::string block = "Failure to load file (" + directory.path.string() +
                              "/TrialConfig_Toxicity.config).\n" + kMissingFileChecks;
    ASSERT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.failure, block);
    EXPECT_EQ(outcome.console, block + "\n");
}

TEST_F(LoadTrialConfigurationTest, ProblemsArePrintedTogetherInCheckOrder) {
    directory.write("TrialConfig_DiseaseProgression.config",
                    "InputDataFileName = data_efficacy.txt\r\n"
                    "MaxEvaluationWindow = 0\r\n"
                    "CutoffProbability = 0.95\r\n"
                    "RateBound = 2\r\n"
                    "TrialType = Progression\r\n");
    ConfigFileReader reader("TrialConfig_DiseaseProgression.config");
    const LoadOutcome outcome = loadConfiguration(reader);
    const std::string block =
        "Type of event provided (PROGRESSION) is not appropriate. Limit inputs to Toxicity, "
        "Efficacy, or DiseaseProgression\n"
        "The Rate Bound was set to (2). This value must lay within the open interval (0,1).\n"
        "The MaxEvaluationWindow was set to (0). This value must be greater than zero.\n";
    ASSERT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.failure, block);
    EXPECT_EQ(outcome.console, block + "\n");
}

TEST_F(LoadTrialConfigurationTest, SixthKeyEndsTheRun) {
    directory.write("TrialConfig_Toxicity.config", kSoundConfiguration + "Investigator = X\n");
    ConfigFileReader reader("TrialConfig_Toxicity.config");
    const LoadOutcome outcome = loadConfiguration(reader);
    ASSERT_TRUE(outcome.failed);
    EXPECT_EQ(outcome.console,
              "Number of entries in config file is not appropriate, should have (5) entries, but "
              "(6) entries.\n\n");
}

TEST_F(LoadTrialConfigurationTest, VanishedWorkingDirectoryIsALoadFailure) {
    const std::filesystem::path gone = directory.path / "gone";
    std::filesystem::create_directory(gone);
    std::filesystem::current_path(gone);
    std::filesystem::remove(gone);

    ConfigFileReader reader("TrialConfig_Toxicity.config");
    const LoadOutcome outcome = loadConfiguration(reader);
    std::filesystem::current_path(directory.path);

    ASSERT_TRUE(outcome.failed);
    const std::string lead = "Failure to determine the working directory (";
    EXPECT_EQ(outcome.failure.rfind(lead, 0), 0u) << outcome.failure;
    const std::string rest =
        ").\nFailure to load file (TrialConfig_Toxicity.config).\n" + kMissingFileChecks;
    ASSERT_GE(outcome.failure.size(), rest.size());
    EXPECT_EQ(outcome.failure.substr(outcome.failure.size() - rest.size()), rest);
    EXPECT_EQ(outcome.console, outcome.failure + "\n");
}

TEST_F(LoadTrialConfigurationTest, LongWorkingDirectoryIsUsedInFull) {
    std::filesystem::path deep = directory.path;
    while (deep.string().size() < 600) {
        deep /= std::string(60, 'd');
    }
    std::filesystem::create_directories(deep);
    std::filesystem::current_path(deep);
    { std::ofstream(deep / "TrialConfig_Toxicity.config") << kSoundConfiguration; }
    ConfigFileReader reader("TrialConfig_Toxicity.config");
    const LoadOutcome outcome = loadConfiguration(reader);
    std::filesystem::current_path(directory.path);
    EXPECT_FALSE(outcome.failed) << outcome.console;
    EXPECT_EQ(reader.getFileName(), (deep / "TrialConfig_Toxicity.config").string());
}

}  // namespace
}  // namespace quillmere
