// The built quillmere-design as a user meets it: help and version, a run
// stopped by a signal, a bad output directory on a design far too large to
// simulate, a design file with a byte-order mark, and plots that render.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <regex>
#include <thread>

#include "design/design_test_support.h"
#include "design_cli/design_program.h"

namespace quillmere::testing {
namespace {

namespace fs = std::filesystem;

// The small design with a million trials per rate: days of simulation.
std::string millionTrialDesign() {
    DesignSettings design = smallDesign(EventType::Toxicity);
    design.trials = 1000000;
    return designFileText(design);
}

// Trials per rate of the small design that keep a one-thread simulation
// running for seconds.
constexpr int longRunTrials = 400;

bool hasStagingDirectory(const fs::path& directory) {
    for (const auto& entry : fs::directory_iterator(directory)) {
        if (entry.path().filename().string().rfind(".quillmere-design-partial-", 0) == 0) {
            return true;
        }
    }
    return false;
}

TEST(DesignProgram, HelpAndVersionGoToStandardOutputWithStatusZero) {
    const fs::path directory = freshDirectory("help");
    const ToolRun programHelp = runTool({"--help"});
    for (const char* word : {"--help", "-h", "help"}) {
        const ProgramOutput run = runDesignProgram(directory, {word});
        EXPECT_EQ(run.status, 0) << word;
        EXPECT_EQ(run.err, "") << word;
        EXPECT_EQ(run.out, programHelp.out) << word;
    }
    EXPECT_EQ(programHelp.out.rfind("quillmere-design ", 0), 0u);
    for (const char* command : {"boundaries", "simulate", "merge", "dump", "units"}) {
        for (const char* word : {"--help", "-h"}) {
            // Help wins over everything else on the line, the design file included.
            const ProgramOutput run = runDesignProgram(directory, {command, "x.design", word});
            EXPECT_EQ(run.status, 0) << command;
            EXPECT_EQ(run.err, "") << command;
            EXPECT_EQ(run.out.rfind(
                          "Usage: quillmere-design " + std::string(command) + " DESIGN_FILE", 0),
                      0u)
                << run.out;
            EXPECT_NE(run.out.find("--help"), std::string::npos);
        }
    }
    const ProgramOutput version = runDesignProgram(directory, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(
        std::regex_match(version.out, std::regex("quillmere-design [0-9]+\\.[0-9]+\\.[0-9]+\n")))
        << version.out;
    EXPECT_TRUE(fs::is_empty(directory));
}

// A stopped run leaves the earlier results exactly as they were: here the
// results of another design that the run, told --force, would replace.
TEST(DesignProgram, AStoppedRunLeavesThePreviousResultsUntouched) {
    for (const int signal : {SIGINT, SIGTERM}) {
        const fs::path directory = freshDirectory("stopped");
        writeFile(directory / "trial.design", designFileText(smallDesign(EventType::Toxicity)));
        writeFile(directory / "big.design", millionTrialDesign());
        ASSERT_EQ(
            runDesignProgram(directory, {"simulate", "trial.design", "--out", "results"}).status,
            0);
        ASSERT_EQ(
            runDesignProgram(directory, {"boundaries", "trial.design", "--out", "results"}).status,
            0);
        const std::map<std::string, std::string> before = treeOf(directory / "results");
        const fs::path io = freshDirectory("stopped-io");
        const pid_t process = startDesignProgram(
            directory, {"simulate", "big.design", "--out", "results", "--force", "--threads", "2"},
            io / "out", io / "err");
        // The staging directory shows that the run has checked its output
        // directory and is simulating.
        for (int wait = 0; wait < 600 && !hasStagingDirectory(directory / "results"); ++wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        ASSERT_TRUE(hasStagingDirectory(directory / "results"));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        ::kill(process, signal);
        EXPECT_EQ(waitForProgram(process), 128 + signal);
        EXPECT_EQ(readFile(io / "out"), "");
        const std::string err = readFile(io / "err");
        ASSERT_NE(err.find("Stopped"), std::string::npos) << err;
        EXPECT_EQ(err.substr(err.find("Stopped")),
                  "Stopped before the results were written; (results) is as it was.\n");
        EXPECT_EQ(treeOf(directory / "results"), before);  // no staging directory left either
    }
}

// Two runs given one output directory (two cluster jobs given one by
// mistake): the second is refused while the first runs, whatever it asks,
// and the first's results come out whole, as a run alone writes them.
TEST(DesignProgram, ASecondRunIntoAnOutputDirectoryInUseIsRefused) {
    const fs::path directory = freshDirectory("two-runs");
    DesignSettings design = smallDesign(EventType::Toxicity);
    design.trials = longRunTrials;
    writeFile(directory / "trial.design", designFileText(design));
    design.seed += 1;
    writeFile(directory / "other.design", designFileText(design));
    const fs::path io = freshDirectory("two-runs-console");
    const std::vector<std::string> firstRun = {"simulate", "trial.design", "--threads", "1",
                                               "--out"};
    std::vector<std::string> words = firstRun;
    words.push_back("results");
    const pid_t first = startDesignProgram(directory, words, io / "out", io / "err");
    const auto started = [&] {
        return fs::is_directory(directory / "results") &&
               hasStagingDirectory(directory / "results");
    };
    for (int wait = 0; wait < 1500 && !started(); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(started());
    const std::string refusal =
        "The output directory (results) is in use by another run of quillmere-design; wait "
        "until it ends, or choose another directory.\n";
    for (const std::vector<std::string>& second :
         {std::vector<std::string>{"simulate", "other.design", "--out", "results"},
          std::vector<std::string>{"simulate", "other.design", "--out", "results", "--force"},
          std::vector<std::string>{"boundaries", "trial.design", "--out", "results"}}) {
        const ProgramOutput refused = runDesignProgram(directory, second);
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.out, "");
        EXPECT_EQ(refused.err, refusal);
    }
    ASSERT_EQ(waitForProgram(first), 0) << readFile(io / "err");
    EXPECT_NE(readFile(io / "out").find("Written into results"), std::string::npos);
    words.back() = "alone";
    ASSERT_EQ(runDesignProgram(directory, words).status, 0);
    EXPECT_EQ(treeOf(directory / "results"), treeOf(directory / "alone"));
}

// The output directory is checked before any work: were it checked after the
// simulation, this test would run into its time limit.
TEST(DesignProgram, ABadOutputDirectoryFailsAtOnceOnAMillionTrials) {
    const fs::path directory = freshDirectory("million");
    writeFile(directory / "big.design", millionTrialDesign());
    writeFile(directory / "notes.txt", "my notes\n");
    const ProgramOutput run =
        runDesignProgram(directory, {"simulate", "big.design", "--out", "notes.txt"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "The output directory (notes.txt) is not a directory.\n");  // no progress
    EXPECT_EQ(readFile(directory / "notes.txt"), "my notes\n");
    EXPECT_EQ(treeOf(directory).size(), 2u);
}

TEST(DesignProgram, ADesignFileWithAByteOrderMarkReadsLikeOneWithout) {
    const fs::path directory = freshDirectory("bom");
    const std::string text = designFileText(smallDesign(EventType::Efficacy));
    writeFile(directory / "plain.design", text);
    writeFile(directory / "marked.design", "\xEF\xBB\xBF" + text);
    const ProgramOutput plain =
        runDesignProgram(directory, {"boundaries", "plain.design", "--out", "plain"});
    const ProgramOutput marked =
        runDesignProgram(directory, {"boundaries", "marked.design", "--out", "marked"});
    ASSERT_EQ(marked.status, 0) << marked.err;
    EXPECT_EQ(marked.out.substr(0, marked.out.find("Written")),
              plain.out.substr(0, plain.out.find("Written")));
    EXPECT_EQ(treeOf(directory / "marked"), treeOf(directory / "plain"));
}

TEST(DesignProgram, EveryPlotRendersToAnImage) {
    if (std::system("command -v rsvg-convert > /dev/null 2>&1") != 0) {
        GTEST_SKIP() << "rsvg-convert is not installed (Debian package librsvg2-bin)";
    }
    const fs::path directory = freshDirectory("render");
    writeFile(directory / "trial.design",
              designFileText(smallDesign(EventType::DiseaseProgression)));
    ASSERT_EQ(runDesignProgram(directory, {"simulate", "trial.design", "--out", "results"}).status,
              0);
    ASSERT_EQ(runDesignProgram(directory, {"units", "trial.design", "--units", "hours,weeks",
                                           "--out", "results"})
                  .status,
              0);
    int plots = 0;
    for (const auto& entry : fs::directory_iterator(directory / "results")) {
        if (entry.path().extension() != ".svg") {
            continue;
        }
        const fs::path png = fs::path(entry.path()).replace_extension(".png");
        const std::string command = "rsvg-convert '" + entry.path().string() + "' -o '" +
                                    png.string() + "' 2> '" + png.string() + ".log'";
        EXPECT_EQ(std::system(command.c_str()), 0) << readFile(png.string() + ".log");
        EXPECT_EQ(readFile(png).substr(0, 8), "\x89PNG\r\n\x1a\n") << entry.path();
        EXPECT_EQ(readFile(png.string() + ".log"), "") << entry.path();
        ++plots;
    }
    EXPECT_EQ(plots, 4);  // simulate's three and units'
}

}  // namespace
}  // namespace quillmere::testing
