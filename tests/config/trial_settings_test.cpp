#include "config/trial_settings.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <sstream>

#include "config/config_test_support.h"

namespace quillmere {
namespace {

const std::string kTypeMessageTail =
    ") is not appropriate. Limit inputs to Toxicity, Efficacy, or DiseaseProgression\n";
const std::string kFileMessageTail =
    ") is not appropriate. \n"
    "Limit inputs to data_toxicity.txt, data_efficacy.txt, or data_diseaseProgression.txt\n";

std::string typeMessage(const std::string& shown) {
    return "Type of event provided (" + shown + kTypeMessageTail;
}
std::string fileMessage(const std::string& shown) {
    return "Filename provided (" + shown + kFileMessageTail;
}
std::string missingKey(const std::string& key) {
    return "Failure to find key in file (" + key + ").\n";
}

// Validates a configuration made of the five sound settings with some
// values replaced; an empty replacement value removes the key.
class ValidationTest : public ::testing::Test {
  protected:
    std::string validate(const std::map<std::string, std::string>& changes) {
        std::map<std::string, std::string> settings = {
            {"TrialType", "Toxicity"},
            {"RateBound", "0.3"},
            {"CutoffProbability", "0.9"},
            {"MaxEvaluationWindow", "90"},
            {"InputDataFileName", "data_toxicity.txt"},
        };
        for (const auto& [key, value] : changes) {
            if (value.empty()) {
                settings.erase(key);
            } else {
                settings[key] = value;
            }
        }
        std::string content;
        for (const auto& [key, value] : settings) {
            content += key + " = " + value + "\n";
        }
        return validateContent(content);
    }

    std::string validateContent(const std::string& content) {
        reader.emplace(directory.write("trial.config", content));
        reader->loadFile();
        std::ostringstream sink;
        const bool valid = validateTrialSettings(*reader, sink);
        EXPECT_EQ(valid, sink.str().empty());
        return sink.str();
    }

    testing::WorkingDirectory directory;
    std::optional<ConfigFileReader> reader;
};

TEST_F(ValidationTest, SoundConfigurationPasses) {
    EXPECT_EQ(validate({}), "");
    const TrialSettings settings = readTrialSettings(*reader);
    EXPECT_EQ(settings.eventType, EventType::Toxicity);
    EXPECT_EQ(settings.rateBound, 0.3);
    EXPECT_EQ(settings.cutoffProbability, 0.9);
    EXPECT_EQ(settings.maxEvaluationWindow, 90.0);
    EXPECT_EQ(settings.dataFileName, "data_toxicity.txt");
}

TEST_F(ValidationTest, TrialTypeInAnyLetterCase) {
    for (const char* accepted : {"toxicity", "Toxicity", "TOXICITY"}) {
        EXPECT_EQ(validate({{"TrialType", accepted}}), "") << accepted;
        EXPECT_EQ(readTrialSettings(*reader).eventType, EventType::Toxicity);
    }
    EXPECT_EQ(validate({{"TrialType", "efficacy"}}), "");
    EXPECT_EQ(readTrialSettings(*reader).eventType, EventType::Efficacy);
    EXPECT_EQ(validate({{"TrialType", "DiseaseProgression"}}), "");
    EXPECT_EQ(readTrialSettings(*reader).eventType, EventType::DiseaseProgression);
}

TEST_F(ValidationTest, UnknownTrialTypeIsShownUpperCased) {
    EXPECT_EQ(validate({{"TrialType", "Tox"}}), typeMessage("TOX"));
    EXPECT_EQ(validate({{"TrialType", "Disease Progression"}}), typeMessage("DISEASE PROGRESSION"));
    EXPECT_EQ(validate({{"TrialType", "Toxicity2"}}), typeMessage("TOXICITY2"));
    EXPECT_EQ(validate({{"TrialType", "tox-é"}}), typeMessage("TOX-é"));
}

TEST_F(ValidationTest, ProbabilitiesMustLieInOpenUnitInterval) {
    const std::string rateTail = "). This value must lay within the open interval (0,1).\n";
    EXPECT_EQ(validate({{"RateBound", "1"}}), "The Rate Bound was set to (1" + rateTail);
    EXPECT_EQ(validate({{"RateBound", "0"}}), "The Rate Bound was set to (0" + rateTail);
    EXPECT_EQ(validate({{"RateBound", "-0.25"}}), "The Rate Bound was set to (-0.25" + rateTail);
    EXPECT_EQ(validate({{"RateBound", "0.999"}}), "");
    EXPECT_EQ(validate({{"RateBound", "1e-7"}}), "");
    EXPECT_EQ(validate({{"CutoffProbability", "1.0"}}),
              "The Cutoff Probability was set to (1" + rateTail);
    EXPECT_EQ(validate({{"CutoffProbability", "0"}}),
              "The Cutoff Probability was set to (0" + rateTail);
    EXPECT_EQ(validate({{"CutoffProbability", "0.999"}}), "");
}

TEST_F(ValidationTest, NumbersInMessagesUseSixSignificantDigits) {
    const std::string tail = "). This value must lay within the open interval (0,1).\n";
    EXPECT_EQ(validate({{"RateBound", "1234567"}}),
              "The Rate Bound was set to (1.23457e+06" + tail);
    EXPECT_EQ(validate({{"RateBound", "-1e-7"}}), "The Rate Bound was set to (-1e-07" + tail);
    EXPECT_EQ(validate({{"RateBound", "1.50000"}}), "The Rate Bound was set to (1.5" + tail);
    EXPECT_EQ(validate({{"RateBound", "100000"}}), "The Rate Bound was set to (100000" + tail);
}

TEST_F(ValidationTest, EvaluationWindowMustBePositive) {
    const std::string tail = "). This value must be greater than zero.\n";
    EXPECT_EQ(validate({{"MaxEvaluationWindow", "0"}}),
              "The MaxEvaluationWindow was set to (0" + tail);
    EXPECT_EQ(validate({{"MaxEvaluationWindow", "-3"}}),
              "The MaxEvaluationWindow was set to (-3" + tail);
    EXPECT_EQ(validate({{"MaxEvaluationWindow", "0.5"}}), "");
}

TEST_F(ValidationTest, UnreadableNumberIsAMissingKeyWithoutRangeMessage) {
    EXPECT_EQ(validate({{"RateBound", "0.3x"}}), missingKey("RateBound"));
    EXPECT_EQ(validate({{"CutoffProbability", "high"}}), missingKey("CutoffProbability"));
    EXPECT_EQ(validate({{"MaxEvaluationWindow", "90 days"}}), missingKey("MaxEvaluationWindow"));
}

TEST_F(ValidationTest, NonFiniteNumberIsNamedAfterTheMissingKeyLine) {
    const std::string tail = "). This value is not a finite number.\n";
    EXPECT_EQ(validate({{"RateBound", "nan"}}),
              missingKey("RateBound") + "The Rate Bound was set to (nan" + tail);
    EXPECT_EQ(
        validate({{"CutoffProbability", "-Infinity"}}),
        missingKey("CutoffProbability") + "The Cutoff Probability was set to (-Infinity" + tail);
    EXPECT_EQ(validate({{"MaxEvaluationWindow", "inf"}}),
              missingKey("MaxEvaluationWindow") + "The MaxEvaluationWindow was set to (inf" + tail);
    // Too large for a double: the conversion overflows.
    EXPECT_EQ(
        validate({{"MaxEvaluationWindow", "1e999"}}),
        missingKey("MaxEvaluationWindow") + "The MaxEvaluationWindow was set to (1e999" + tail);
    EXPECT_EQ(validate({{"RateBound", "nan x"}}), missingKey("RateBound"));
}

TEST_F(ValidationTest, RateBoundMustStayWithinTheComputationLimits) {
    const std::string tail =
        "). This value is too close to 0 or 1 for the computation; it must lie within [1e-07, "
        "0.9999999].\n";
    EXPECT_EQ(validate({{"RateBound", "1e-7"}}), "");
    EXPECT_EQ(validate({{"RateBound", "0.9999999"}}), "");
    EXPECT_EQ(validate({{"RateBound", "9.9999999e-8"}}),
              "The Rate Bound was set to (9.9999999e-08" + tail);
    EXPECT_EQ(validate({{"RateBound", "1e-17"}}), "The Rate Bound was set to (1e-17" + tail);
    EXPECT_EQ(validate({{"RateBound", "0.99999991"}}),
              "The Rate Bound was set to (0.99999991" + tail);
    // The limits do not apply to the cut-off, which is only compared.
    EXPECT_EQ(validate({{"CutoffProbability", "1e-17"}}), "");
}

TEST_F(ValidationTest, EvaluationWindowMustStayWithinTheComputationLimits) {
    const std::string limits = "; it must lie within [1e-300, 700000].\n";
    EXPECT_EQ(validate({{"MaxEvaluationWindow", "1e-300"}}), "");
    EXPECT_EQ(validate({{"MaxEvaluationWindow", "700000"}}), "");
    EXPECT_EQ(validate({{"MaxEvaluationWindow", "9.99e-301"}}),
              "The MaxEvaluationWindow was set to (9.99e-301). This value is too small for the "
              "computation" +
                  limits);
    EXPECT_EQ(validate({{"MaxEvaluationWindow", "700000.1"}}),
              "The MaxEvaluationWindow was set to (700000.1). This value is too large for the "
              "computation" +
                  limits);
    EXPECT_EQ(validate({{"MaxEvaluationWindow", "1e308"}}),
              "The MaxEvaluationWindow was set to (1e+308). This value is too large for the "
              "computation" +
                  limits);
}

TEST_F(ValidationTest, DataFileNameInAnyLetterCaseIsKeptAsWritten) {
    EXPECT_EQ(validate({{"InputDataFileName", "data_diseaseProgression.txt"}}), "");
    EXPECT_EQ(readTrialSettings(*reader).dataFileName, "data_diseaseProgression.txt");
    EXPECT_EQ(validate({{"InputDataFileName", "DATA_EFFICACY.TXT"}}), "");
    EXPECT_EQ(validate({{"InputDataFileName", "./DATA_TOXICITY.TXT"}}),
              fileMessage("./DATA_TOXICITY.TXT"));
    EXPECT_EQ(validate({{"InputDataFileName", "data_toxicity.txt.bak"}}),
              fileMessage("DATA_TOXICITY.TXT.BAK"));
}

TEST_F(ValidationTest, EventTypeAndDataFileAreNotComparedHere) {
    EXPECT_EQ(validate({{"TrialType", "Efficacy"}, {"InputDataFileName", "data_toxicity.txt"}}),
              "");
    EXPECT_EQ(readTrialSettings(*reader).eventType, EventType::Efficacy);
}

TEST_F(ValidationTest, SixthKeyGivesOnlyTheEntryCountMessage) {
    EXPECT_EQ(validate({{"Comment", "extra"}}),
              "Number of entries in config file is not appropriate, should have (5) entries, but "
              "(6) entries.\n");
}

TEST_F(ValidationTest, EachMissingKeyIsNamed) {
    const std::string fourEntries =
        "Number of entries in config file is not appropriate, should have (5) entries, but (4) "
        "entries.\n";
    EXPECT_EQ(validate({{"TrialType", ""}}),
              fourEntries + missingKey("TrialType") + typeMessage(""));
    EXPECT_EQ(validate({{"RateBound", ""}}), fourEntries + missingKey("RateBound"));
    EXPECT_EQ(validate({{"CutoffProbability", ""}}), fourEntries + missingKey("CutoffProbability"));
    EXPECT_EQ(validate({{"MaxEvaluationWindow", ""}}),
              fourEntries + missingKey("MaxEvaluationWindow"));
    EXPECT_EQ(validate({{"InputDataFileName", ""}}),
              fourEntries + missingKey("InputDataFileName") + fileMessage(""));
}

TEST_F(ValidationTest, MisspelledKeyKeepsTheCountButFailsTheLookup) {
    EXPECT_EQ(validateContent("TrialType = Toxicity\nRate Bound = 0.3\nCutoffProbability = 0.9\n"
                              "MaxEvaluationWindow = 90\nInputDataFileName = data_toxicity.txt\n"),
              missingKey("RateBound"));
}

TEST_F(ValidationTest, EveryProblemIsReportedInCheckOrder) {
    // The file lists the keys in another order than the checks run.
    const std::string block = validateContent(
        "InputDataFileName = results.csv\n"
        "MaxEvaluationWindow = -1\n"
        "CutoffProbability = 1\n"
        "RateBound = 0.3abc\n"
        "TrialType = Safety\n"
        "Extra = 1\n");
    EXPECT_EQ(block,
              "Number of entries in config file is not appropriate, should have (5) entries, but "
              "(6) entries.\n" +
                  typeMessage("SAFETY") + missingKey("RateBound") +
                  "The Cutoff Probability was set to (1). This value must lay within the open "
                  "interval (0,1).\n"
                  "The MaxEvaluationWindow was set to (-1). This value must be greater than "
                  "zero.\n" +
                  fileMessage("RESULTS.CSV"));
}

TEST_F(ValidationTest, ReadingUnvalidatedSettingsFails) {
    validate({{"TrialType", "Tox"}});
    EXPECT_THROW(readTrialSettings(*reader), ConfigurationFailure);
    validate({{"RateBound", ""}});
    EXPECT_THROW(readTrialSettings(*reader), ConfigurationFailure);
}

TEST(UpperCased, ChangesOnlyAsciiLetters) {
    EXPECT_EQ(upperCased("data_diseaseProgression.txt"), "DATA_DISEASEPROGRESSION.TXT");
    EXPECT_EQ(upperCased("a-z_0 9\tÿé"), "A-Z_0 9\tÿé");
}

TEST(EventTypeNamed, AcceptsOnlyTheThreeWholeNames) {
    EXPECT_EQ(eventTypeNamed("tOxIcItY"), EventType::Toxicity);
    EXPECT_EQ(eventTypeNamed("EFFICACY"), EventType::Efficacy);
    EXPECT_EQ(eventTypeNamed("diseaseprogression"), EventType::DiseaseProgression);
    EXPECT_EQ(eventTypeNamed("Toxicity "), std::nullopt);
    EXPECT_EQ(eventTypeNamed(""), std::nullopt);
}

}  // namespace
}  // namespace quillmere
