// Method = imputation, given or left out, changes nothing a simulation wrote
// before the methods existed: the three example designs (with 12 trials per
// rate) against the outputs the program wrote then (see
// tests/data/methods-imputation/README.md). The files come out byte for byte;
// the console and the report gain the late-outcome section and nothing else.
#include <gtest/gtest.h>

#include "design/design_test_support.h"
#include "design_cli/design_program.h"

namespace quillmere::testing {
namespace {

namespace fs = std::filesystem;

const fs::path storedDirectory = fs::path(QUILLMERE_TEST_DATA_DIR) / "methods-imputation";

// The replicate file without its durations, which the arithmetic of the
// time draws may change in their last bits.
std::string withoutDurations(const std::string& replicates) {
    std::string text;
    std::size_t field = 0;
    bool inComment = false;
    for (std::size_t i = 0; i < replicates.size(); ++i) {
        const char c = replicates[i];
        if (i == 0 || replicates[i - 1] == '\n') {
            field = 0;
            inComment = c == '#' || c == 's';  // the comment lines and the header
        }
        if (c == ',' && !inComment) {
            ++field;
        }
        if (inComment || field != 4 || c == ',') {
            text += c;
        }
    }
    return text;
}

// The text without the lines of the section that starts with `first` and
// ends before `next` (or at the end).
std::string withoutSection(const std::string& text, const std::string& first,
                           const std::string& next) {
    const std::size_t start = text.find(first);
    if (start == std::string::npos) {
        return text;
    }
    const std::size_t end = text.find(next, start + first.size());
    return text.substr(0, start) + (end == std::string::npos ? "" : text.substr(end));
}

void expectEarlierOutputs(const std::string& name, const std::string& extraLine) {
    SCOPED_TRACE(name + (extraLine.empty() ? "" : " with " + extraLine));
    const fs::path stored = storedDirectory / name;
    const fs::path directory = freshDirectory("imputation-identity-" + name);
    writeFile(directory / "trial.design", readFile(fs::path(QUILLMERE_SOURCE_DIR) / "examples" /
                                                   "design" / (name + ".design")) +
                                              "Trials = 12\n" + extraLine);
    const ProgramOutput boundaries =
        runDesignProgram(directory, {"boundaries", "trial.design", "--out", "results"});
    const ProgramOutput simulate = runDesignProgram(
        directory, {"simulate", "trial.design", "--threads", "2", "--out", "results"});
    const ProgramOutput report = runDesignProgram(
        directory, {"report", "trial.design", "--from", "results", "--out", "report.html"});
    ASSERT_EQ(simulate.status, 0) << simulate.err;
    ASSERT_EQ(report.status, 0) << report.err;
    EXPECT_EQ(boundaries.out, readFile(stored / "boundaries.out"));
    for (const char* file :
         {"boundaries.csv", "operating_characteristics.csv", "stopping_by_look.csv",
          "operating_characteristics.svg", "stopping_by_look.svg"}) {
        EXPECT_EQ(readFile(directory / "results" / file), readFile(stored / file)) << file;
    }
    EXPECT_EQ(withoutDurations(readFile(directory / "results" / "replicates.csv")),
              withoutDurations(readFile(stored / "replicates.csv")));
    // The console: the earlier tables, then the late outcomes and the list of
    // files written.
    const std::string earlier = readFile(stored / "simulate.out");
    const std::string tables = earlier.substr(0, earlier.rfind("\nWritten into"));
    EXPECT_EQ(simulate.out.substr(0, tables.size()), tables);
    EXPECT_EQ(simulate.out.substr(tables.size(), 30), "\nLate outcomes (method: imputa");
    if (extraLine.empty()) {
        EXPECT_EQ(withoutSection(readFile(directory / "report.html"), "<h2 id=\"late-outcomes\">",
                                 "<h2 id=\"reproducibility\">"),
                  readFile(stored / "report.html"));
    }
}

TEST(ImputationIdentity, TheExampleDesignsWriteWhatTheyWroteBeforeTheMethods) {
    for (const char* name : {"toxicity", "efficacy", "disease-progression"}) {
        expectEarlierOutputs(name, "");
        expectEarlierOutputs(name, "Method = imputation\n");
    }
}

}  // namespace
}  // namespace quillmere::testing
