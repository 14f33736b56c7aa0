#include "config/config_file_reader.h"

#include <gtest/gtest.h>

#include <optional>

#include "config/config_test_support.h"

namespace quillmere {
namespace {

class ReaderTest : public ::testing::Test {
  protected:
    // Loads a reader from a file holding exactly these bytes.
    ConfigFileReader& load(const std::string& content) {
        reader.emplace(directory.write("test.config", content));
        loadResult = reader->loadFile();
        return *reader;
    }

    std::string text(const std::string& key) {
        std::string value = "<unchanged>";
        reader->getValue(value, key);
        return value;
    }

    testing::WorkingDirectory directory;
    std::optional<ConfigFileReader> reader;
    int loadResult = 0;
};

TEST(TrimBlanks, RemovesOnlyOuterBlanksAndTabs) {
    std::string text = " \t a b\t \t";
    trimBlanks(text);
    EXPECT_EQ(text, "a b");
    std::string onlyBlanks = " \t\t ";
    trimBlanks(onlyBlanks);
    EXPECT_EQ(onlyBlanks, "");
    std::string other = "\r x \n";
    trimBlanks(other);
    EXPECT_EQ(other, "\r x \n");
}

TEST_F(ReaderTest, CommentsBlankLinesAndLinesWithoutSeparatorGiveNothing) {
    load("# heading\n\n   \n\t \t\n   # indented comment\nno separator here\nRateBound = 0.3\n");
    EXPECT_EQ(loadResult, 1);
    EXPECT_EQ(text("RateBound"), "0.3");
}

TEST_F(ReaderTest, CommentCutsValueAndHasNoEscape) {
    load("RateBound = 0.3    # upper bound\nInputDataFileName = data#1.txt\nA = \\#x\n");
    EXPECT_EQ(text("RateBound"), "0.3");
    EXPECT_EQ(text("InputDataFileName"), "data");
    EXPECT_EQ(text("A"), "\\");
}

TEST_F(ReaderTest, SplitsAtFirstSeparatorAndKeepsInnerBlanks) {
    load("a = b = c\nRate Bound = 0.3\n=\n  key\twith tab  =  spaced value  \n");
    EXPECT_EQ(text("a"), "b = c");
    EXPECT_EQ(text("Rate Bound"), "0.3");
    EXPECT_EQ(text("RateBound"), "<unchanged>");
    EXPECT_EQ(text(""), "");
    EXPECT_EQ(text("key\twith tab"), "spaced value");
    EXPECT_EQ(loadResult, 4);
}

TEST_F(ReaderTest, KeysAreCaseSensitive) {
    load("ratebound = 0.3\n");
    std::string value = "kept";
    EXPECT_FALSE(reader->getValue(value, "RateBound"));
    EXPECT_EQ(value, "kept");
    EXPECT_EQ(reader->getErrorText(), "Did not find name (RateBound) in the file.");
}

TEST_F(ReaderTest, LaterDuplicateWinsAndCountsOnce) {
    load("RateBound = 0.1\nCutoffProbability = 0.9\nRateBound = 0.2\n");
    EXPECT_EQ(loadResult, 2);
    EXPECT_EQ(text("RateBound"), "0.2");
}

TEST_F(ReaderTest, CarriageReturnLineEndsReadLikeLineFeeds) {
    load("# comment\r\nRateBound = 0.3\r\n\r\nInputDataFileName = data_toxicity.txt\r\n");
    EXPECT_EQ(loadResult, 2);
    EXPECT_EQ(text("RateBound"), "0.3");
    EXPECT_EQ(text("InputDataFileName"), "data_toxicity.txt");
}

TEST_F(ReaderTest, LastLineWithoutLineFeedIsRead) {
    load("TrialType = Toxicity\nRateBound = 0.3");
    EXPECT_EQ(loadResult, 2);
    EXPECT_EQ(text("RateBound"), "0.3");

    load("TrialType = Toxicity\r\nRateBound = 0.25\r");
    EXPECT_EQ(text("RateBound"), "0.25");

    load("RateBound = 0.5");
    EXPECT_EQ(loadResult, 1);
    EXPECT_EQ(text("RateBound"), "0.5");
}

TEST_F(ReaderTest, MissingFileReportsOpenFailure) {
    ConfigFileReader missing((directory.path / "absent.config").string());
    EXPECT_EQ(missing.loadFile(), -1);
    EXPECT_EQ(missing.getErrorText(),
              "Error opening file: (" + (directory.path / "absent.config").string() + ")");
    EXPECT_EQ(missing.listEntries(), "");
}

TEST_F(ReaderTest, UnreadableFileIsALoadFailure) {
    std::filesystem::create_directory(directory.path / "folder.config");
    ConfigFileReader folder((directory.path / "folder.config").string());
    EXPECT_EQ(folder.loadFile(), -1);
    EXPECT_EQ(folder.getErrorText(),
              "Error reading file: (" + (directory.path / "folder.config").string() + ")");
}

TEST_F(ReaderTest, FileWithoutEntriesKeepsEarlierTable) {
    load("# only a comment\n\n");
    EXPECT_EQ(loadResult, 0);
    EXPECT_EQ(reader->getErrorText(), "");

    // Reloading the same reader from a file of comments keeps what it had.
    load("RateBound = 0.3\n");
    directory.write("test.config", "# nothing\n");
    EXPECT_EQ(reader->loadFile(), 1);
    EXPECT_EQ(text("RateBound"), "0.3");
}

TEST_F(ReaderTest, ReloadReplacesTable) {
    load("RateBound = 0.3\n");
    directory.write("test.config", "CutoffProbability = 0.9\nno separator\n");
    EXPECT_EQ(reader->loadFile(), 1);
    EXPECT_EQ(text("RateBound"), "<unchanged>");
    EXPECT_EQ(text("CutoffProbability"), "0.9");
}

TEST_F(ReaderTest, ListsEntriesInByteOrder) {
    load("b = 2\na = 1\nB = 3\n");
    EXPECT_EQ(reader->listEntries(), "  B = 3\n  a = 1\n  b = 2\n");
}

TEST_F(ReaderTest, NumericLookupConvertsCompleteNumbers) {
    load("small = 1e-3\nhalf = .5\nnegative = -2.5E+2\nsigned = +7\n");
    double value = 0.0;
    EXPECT_TRUE(reader->getValue(value, "small"));
    EXPECT_EQ(value, 0.001);
    EXPECT_TRUE(reader->getValue(value, "half"));
    EXPECT_EQ(value, 0.5);
    EXPECT_TRUE(reader->getValue(value, "negative"));
    EXPECT_EQ(value, -250.0);
    EXPECT_TRUE(reader->getValue(value, "signed"));
    EXPECT_EQ(value, 7.0);
    EXPECT_EQ(reader->getErrorText(), "");
}

TEST_F(ReaderTest, NumericLookupFailuresLeaveValueUnchanged) {
    load(
        "empty =\nword = abc\nsuffix = 0.3abc\ntwo = 0.3 0.4\ncomma = 0,3\n"
        "exponent = 1e\nhuge = 1e999\n");
    struct Case {
        const char* key;
        const char* error;
    };
    const Case cases[] = {
        {"empty", "Conversion of () failed."},
        {"word", "Conversion of (abc) failed."},
        {"suffix", "Conversion of (0.3abc) was incomplete."},
        {"two", "Conversion of (0.3 0.4) was incomplete."},
        {"comma", "Conversion of (0,3) was incomplete."},
        {"exponent", "Conversion of (1e) failed."},
        {"huge", "Conversion of (1e999) failed."},
        {"absent", "Did not find name (absent) in the file."},
    };
    for (const Case& c : cases) {
        double value = 42.0;
        EXPECT_FALSE(reader->getValue(value, c.key)) << c.key;
        EXPECT_EQ(value, 42.0) << c.key;
        EXPECT_EQ(reader->getErrorText(), c.error) << c.key;
    }
}

TEST_F(ReaderTest, EachLookupStartsWithClearErrors) {
    load("RateBound = 0.3\nbad = x\n");
    double number = 0.0;
    EXPECT_FALSE(reader->getValue(number, "bad"));
    EXPECT_TRUE(reader->getValue(number, "RateBound"));
    EXPECT_EQ(reader->getErrorText(), "");

    std::string value;
    EXPECT_FALSE(reader->getValue(value, "missing"));
    EXPECT_FALSE(reader->getValue(value, "missing"));
    EXPECT_EQ(reader->getErrorText(), "Did not find name (missing) in the file.");
    EXPECT_TRUE(reader->getValue(value, "bad"));
    EXPECT_EQ(reader->getErrorText(), "");
}

TEST_F(ReaderTest, OpenFailureTextStaysUntilNextLookup) {
    ConfigFileReader missing("no-such-file.config");
    EXPECT_EQ(missing.loadFile(), -1);
    EXPECT_EQ(missing.loadFile(), -1);
    EXPECT_EQ(missing.getErrorText(),
              "Error opening file: (no-such-file.config)Error opening file: (no-such-file.config)");
    std::string value;
    EXPECT_FALSE(missing.getValue(value, "x"));
    EXPECT_EQ(missing.getErrorText(), "Did not find name (x) in the file.");
    missing.clearErrors();
    EXPECT_EQ(missing.getErrorText(), "");
    EXPECT_EQ(missing.getFileName(), "no-such-file.config");
}

}  // namespace
}  // namespace quillmere
