#include <gtest/gtest.h>

#include <sstream>

#include "design/design_settings.h"
#include "design/design_test_support.h"

namespace quillmere {
namespace {

using testing::designFileText;
using testing::freshDirectory;
using testing::smallDesign;
using testing::writeText;

struct ReadResult {
    std::optional<DesignSettings> design;
    std::string messages;
};

ReadResult readText(const std::string& text) {
    const auto path = freshDirectory("design-file") / "trial.design";
    writeText(path, text);
    std::ostringstream messages;
    ReadResult result{readDesignFile(path.string(), messages), ""};
    result.messages = messages.str();
    return result;
}

// The small design's file with one line replaced (or removed when `line` is empty).
std::string withLine(const std::string& key, const std::string& line) {
    std::istringstream lines(designFileText(smallDesign(EventType::Toxicity)));
    std::string text;
    for (std::string current; std::getline(lines, current);) {
        text +=
            current.rfind(key + " =", 0) == 0 ? (line.empty() ? "" : line + "\n") : current + "\n";
    }
    return text;
}

TEST(DesignFile, ReadsEveryValueOfAValidFile) {
    const ReadResult result =
        readText(designFileText(smallDesign(EventType::Efficacy)) + "# a comment\n");
    ASSERT_TRUE(result.design) << result.messages;
    const DesignSettings& d = *result.design;
    EXPECT_EQ(d.eventType, EventType::Efficacy);
    EXPECT_EQ(d.rateBound, 0.3);
    EXPECT_EQ(d.cutoffProbability, 0.8);
    EXPECT_EQ(d.maxEvaluationWindow, 30);
    EXPECT_EQ(d.timeUnit.name, "days");
    EXPECT_EQ(d.maxPatients, 12);
    EXPECT_EQ(d.accrualRate, 0.2);
    EXPECT_EQ(d.firstLook, 4);
    EXPECT_EQ(d.lookEvery, 2);
    EXPECT_EQ(d.minCompleted, 3);
    EXPECT_EQ(d.trueRates, (std::vector<double>{0.1, 0.6}));
    EXPECT_EQ(d.eventTimeShape, 1.0);
    EXPECT_EQ(d.trials, 6);
    EXPECT_EQ(d.seed, 987654321u);
    EXPECT_EQ(result.messages, "");
}

TEST(DesignFile, OptionalKeysTakeTheirDefaults) {
    const ReadResult result = readText(
        "TrialType = toxicity\nRateBound = 0.3\nCutoffProbability = 0.9\n"
        "MaxEvaluationWindow = 90\nMaxPatients = 40\nAccrualRate = 0.5\nFirstLook = 10\n"
        "LookEvery = 5\nTrueRates = 0.1,0.3\nEventTimeShape = 1\n"
        "Seed = 18446744073709551615\n");
    ASSERT_TRUE(result.design) << result.messages;
    EXPECT_EQ(result.design->minCompleted, 0);
    EXPECT_EQ(result.design->trials, 1000);
    EXPECT_EQ(result.design->timeUnit.name, "days");
    EXPECT_EQ(result.design->seed, 18446744073709551615u);
}

TEST(DesignFile, NamesEachMissingOrUnreadableKey) {
    EXPECT_EQ(readText(withLine("AccrualRate", "")).messages,
              "Failure to find key in file (AccrualRate).\n");
    EXPECT_EQ(readText(withLine("RateBound", "RateBound = 0.3x")).messages,
              "The value of RateBound (0.3x) is not a number.\n");
    EXPECT_EQ(readText(withLine("Seed", "Seed = -1")).messages,
              "The Seed was set to (-1). This value must be a whole number from 0 to "
              "18446744073709551615.\n");
    EXPECT_EQ(readText(withLine("Seed", "") + "Sed = 4\n").messages,
              "Failure to find key in file (Seed).\nUnknown key in design file (Sed).\n");
}

TEST(DesignFile, RejectsValuesOutOfRangeWithTheirValue) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"TrialType = Tox",
         "Type of event provided (TOX) is not appropriate. Limit inputs to "
         "Toxicity, Efficacy, or DiseaseProgression\n"},
        {"RateBound = 1",
         "The Rate Bound was set to (1). This value must lay within the open "
         "interval (0,1).\n"},
        {"RateBound = 1e-09",
         "The Rate Bound was set to (1e-09). This value is too close to 0 or 1 for the "
         "computation; it must lie within [1e-07, 0.9999999].\n"},
        {"MaxEvaluationWindow = 800000",
         "The MaxEvaluationWindow was set to (8e+05). This value is too large for the "
         "computation; it must lie within [1e-300, 700000].\n"},
        {"CutoffProbability = 0",
         "The Cutoff Probability was set to (0). This value must lay "
         "within the open interval (0,1).\n"},
        {"MaxEvaluationWindow = -3",
         "The MaxEvaluationWindow was set to (-3). This value must "
         "be greater than zero.\n"},
        {"TimeUnit = fortnights",
         "The TimeUnit was set to (fortnights). Limit inputs to hours, "
         "days, weeks, months or years.\n"},
        {"MaxPatients = 501",
         "The MaxPatients was set to (501). This value must be a whole "
         "number from 1 to 500.\n"},
        {"AccrualRate = 0",
         "The AccrualRate was set to (0). This value must be greater than "
         "zero.\n"},
        {"AccrualRate = 1e-310",
         "The AccrualRate was set to (1e-310). This value is too small for the computation; it "
         "must lie within [0.000001, 1000000].\n"},
        {"AccrualRate = 2e6",
         "The AccrualRate was set to (2e+06). This value is too large for the computation; it "
         "must lie within [0.000001, 1000000].\n"},
        {"FirstLook = 12",
         "The FirstLook was set to (12). This value must be a whole number "
         "from 1 to 11.\n"},
        {"LookEvery = 2.5",
         "The LookEvery was set to (2.5). This value must be a whole number "
         "from 1 to 500.\n"},
        {"MinCompleted = 13",
         "The MinCompleted was set to (13). This value must be a whole "
         "number from 0 to 12.\n"},
        {"TrueRates = 0.1, 1",
         "The TrueRates entry (1) must lay within the open interval "
         "(0,1).\n"},
        {"TrueRates = 0.1,,0.2", "The TrueRates entry () is not a number.\n"},
        {"EventTimeShape = 0",
         "The EventTimeShape was set to (0). This value must lay within "
         "the interval [0.1, 10].\n"},
        {"Trials = 0",
         "The Trials was set to (0). This value must be a whole number from 1 to "
         "10000000.\n"},
    };
    for (const auto& [line, message] : cases) {
        const std::string key = line.substr(0, line.find(' '));
        const ReadResult result = readText(withLine(key, line));
        EXPECT_FALSE(result.design) << line;
        EXPECT_EQ(result.messages, message) << line;
    }
}

TEST(DesignFile, ReportsEveryProblemAtOnce) {
    const std::string text = withLine("RateBound", "RateBound = 2");
    const ReadResult result = readText(text + "LookEvery = 0\n");  // the later value wins
    EXPECT_EQ(result.messages,
              "The Rate Bound was set to (2). This value must lay within the open interval "
              "(0,1).\nThe LookEvery was set to (0). This value must be a whole number from 1 "
              "to 500.\n");
}

TEST(DesignFile, AMissingFileOrADirectoryIsNamed) {
    for (const std::string& name :
         {std::string("/nonexistent/trial.design"), freshDirectory("design-dir").string()}) {
        std::ostringstream messages;
        EXPECT_FALSE(readDesignFile(name, messages));
        EXPECT_EQ(messages.str(), "Failure to load file (" + name + ").\n");
    }
}

// A line that is not key = value is a mistake that would otherwise silently
// drop a setting: "Trials 10" ran 1000 trials, "MinCompleted: 5" no run-in.
TEST(DesignFile, NamesEveryLineThatIsNotKeyEqualsValue) {
    std::istringstream lines(withLine("Trials", "Trials 10"));
    std::string text;
    for (std::string line; std::getline(lines, line);) {
        text += (line.rfind("MinCompleted", 0) == 0 ? "MinCompleted: 5" : line) + "\n";
    }
    const ReadResult result = readText(text + "   = 0.2   # no key\n");
    EXPECT_FALSE(result.design);
    EXPECT_EQ(result.messages,
              "Line 10 of the design file is not of the form key = value (MinCompleted: 5).\n"
              "Line 13 of the design file is not of the form key = value (Trials 10).\n"
              "Line 15 of the design file is not of the form key = value (= 0.2).\n");
}

TEST(DesignFile, ByteOrderMarkCarriageReturnsAndAMissingLastLineEndAreRead) {
    const std::string plain = designFileText(smallDesign(EventType::DiseaseProgression));
    std::string crlf;
    for (const char c : plain) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    std::string unterminated = plain;
    unterminated.pop_back();
    for (const std::string& text :
         {"\xEF\xBB\xBF" + plain, "\xEF\xBB\xBF# a comment first\n" + plain, crlf, unterminated}) {
        const ReadResult result = readText(text);
        ASSERT_TRUE(result.design) << result.messages;
        EXPECT_EQ(designFingerprint(*result.design),
                  designFingerprint(smallDesign(EventType::DiseaseProgression)));
    }
}

TEST(DesignFile, OtherTextIsReportedWithoutTheKeysItLacks) {
    EXPECT_EQ(readText("\xFF\xFET\0r\0").messages,
              "The design file is UTF-16 text; save it as UTF-8 or plain ASCII text.\n");
    std::string garbage;
    for (int line = 1; line <= 12; ++line) {
        garbage += "garbage " + std::to_string(line) + "\n";
    }
    const ReadResult result = readText(garbage);
    EXPECT_FALSE(result.design);
    EXPECT_EQ(result.messages.substr(0, result.messages.find('\n') + 1),
              "Line 1 of the design file is not of the form key = value (garbage 1).\n");
    EXPECT_NE(result.messages.find("(garbage 10).\n2 more lines are not of the form key = "
                                   "value.\n"),
              std::string::npos);
    EXPECT_EQ(result.messages.find("Failure to find key"), std::string::npos);
}

TEST(DesignFile, AMissingTrialTypeIsReportedOnce) {
    EXPECT_EQ(readText(withLine("TrialType", "")).messages,
              "Failure to find key in file (TrialType).\n");
}

// Looks come after 4, 6, 8 and 10 of the 12 patients: a run-in of 11 known
// outcomes would hold back every look, and the trial could never stop.
TEST(DesignFile, RefusesARunInThatNoLookCanReach) {
    EXPECT_TRUE(readText(withLine("MinCompleted", "MinCompleted = 10")).design);
    EXPECT_EQ(readText(withLine("MinCompleted", "MinCompleted = 11")).messages,
              "The MinCompleted was set to (11). No look could ever run: the last look comes "
              "after 10 patients are enrolled, so no more outcomes than that are known at a "
              "look.\n");
}

TEST(DesignFile, FingerprintChangesWithEveryValueThatShapesTheReplicates) {
    const DesignSettings base = smallDesign(EventType::Toxicity);
    DesignSettings other = base;
    other.seed += 1;
    EXPECT_NE(designFingerprint(base), designFingerprint(other));
    other = base;
    other.trueRates[1] = 0.6000000000000001;
    EXPECT_NE(designFingerprint(base), designFingerprint(other));
    EXPECT_EQ(designFingerprint(base), designFingerprint(smallDesign(EventType::Toxicity)));
}

}  // namespace
}  // namespace quillmere
