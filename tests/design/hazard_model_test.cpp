// The design keys of the hazard model and how every command honours them.
#include <gtest/gtest.h>

#include <sstream>

#include "design/design_settings.h"
#include "design/design_test_support.h"

namespace quillmere {
namespace {

using testing::designFileText;
using testing::directoryFiles;
using testing::freshDirectory;
using testing::readText;
using testing::runTool;
using testing::smallDesign;
using testing::writeDesignFile;
using testing::writeText;

std::optional<DesignSettings> readDesign(const std::string& text, std::string& messages) {
    const auto path = freshDirectory("hazard-design") / "trial.design";
    writeText(path, text);
    std::ostringstream sink;
    std::optional<DesignSettings> design = readDesignFile(path.string(), sink);
    messages = sink.str();
    return design;
}

DesignSettings withHazardModel(double shape, HazardRange range) {
    DesignSettings design = smallDesign(EventType::Toxicity);
    design.hazardPriorShape = shape;
    design.hazardRange = range;
    return design;
}

TEST(HazardModelKeys, DefaultToQuillmeresModelAndReadInAnyLetterCase) {
    const std::string base = designFileText(smallDesign(EventType::Toxicity));
    std::string messages;
    const std::optional<DesignSettings> defaults = readDesign(base, messages);
    ASSERT_TRUE(defaults) << messages;
    EXPECT_EQ(defaults->hazardPriorShape, 0.0);
    EXPECT_EQ(defaults->hazardRange, HazardRange::Unit);
    EXPECT_TRUE(replayableWithQuillmere(*defaults));

    const std::optional<DesignSettings> chosen =
        readDesign(base + "HazardPriorShape = 0.5\nHazardRange = WINDOW\n", messages);
    ASSERT_TRUE(chosen) << messages;
    EXPECT_EQ(chosen->hazardPriorShape, 0.5);
    EXPECT_EQ(chosen->hazardRange, HazardRange::Window);
    EXPECT_FALSE(replayableWithQuillmere(*chosen));
    // Stating the defaults changes nothing, not even the fingerprint.
    const std::optional<DesignSettings> stated =
        readDesign(base + "HazardPriorShape = 0\nHazardRange = unit\n", messages);
    ASSERT_TRUE(stated) << messages;
    EXPECT_EQ(designFingerprint(*stated), designFingerprint(*defaults));
}

TEST(HazardModelKeys, BadValuesAreNamedWithTheOtherProblems) {
    std::string messages;
    EXPECT_FALSE(readDesign(designFileText(smallDesign(EventType::Toxicity)) +
                                "HazardPriorShape = -0.5\nHazardRange = weeks\nSeed = x\n",
                            messages));
    EXPECT_EQ(messages,
              "The Hazard Prior Shape was set to (-0.5). This value must lie within [0, 100].\n"
              "The HazardRange was set to (weeks). Limit inputs to unit or window.\n"
              "The Seed was set to (x). This value must be a whole number from 0 to "
              "18446744073709551615.\n");
    EXPECT_FALSE(readDesign(
        designFileText(smallDesign(EventType::Toxicity)) + "HazardPriorShape = nan\n", messages));
    EXPECT_EQ(messages, "The value of HazardPriorShape (nan) is not a number.\n");
}

TEST(HazardModelKeys, TheFingerprintTellsHazardModelsApart) {
    const std::string quillmere = designFingerprint(smallDesign(EventType::Toxicity));
    EXPECT_EQ(quillmere.find("hazard"), std::string::npos);
    const std::string shaped = designFingerprint(withHazardModel(1.0, HazardRange::Unit));
    const std::string window = designFingerprint(withHazardModel(0.0, HazardRange::Window));
    EXPECT_EQ(shaped, quillmere + " hazard_prior_shape=1 hazard_range=unit");
    EXPECT_EQ(window, quillmere + " hazard_prior_shape=0 hazard_range=window");

    // So a shard simulated under another hazard model is not merged.
    const std::string file = writeDesignFile(withHazardModel(1.0, HazardRange::Window), "hm-shard");
    const auto shard = freshDirectory("hm-shard-out");
    ASSERT_EQ(runTool({"simulate", file, "--replicates", "1-6", "--out", shard}).status, 0);
    const std::string plain = writeDesignFile(smallDesign(EventType::Toxicity), "hm-plain");
    const testing::ToolRun merge =
        runTool({"merge", plain, "--out", freshDirectory("hm-merged").string(), shard});
    EXPECT_NE(merge.status, 0);
}

TEST(HazardModelCommands, DumpRefusesALookQuillmereCannotReplayAndSaysWhy) {
    const std::string file = writeDesignFile(withHazardModel(1.0, HazardRange::Window), "hm-dump");
    const auto target = freshDirectory("hm-dump-out") / "look";
    const testing::ToolRun run = runTool({"dump", file, "--scenario", "1", "--replicate", "1",
                                          "--look", "1", "--to", target.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "dump refuses this design: quillmere computes with the hazard prior 1/lambda "
              "(HazardPriorShape = 0) and the range [0.001, 100] per time unit (HazardRange = "
              "unit), but this design sets HazardPriorShape = 1 and HazardRange = window. "
              "quillmere run on the files of a look would not give the decision and probability "
              "the simulation used.\n");
    EXPECT_FALSE(std::filesystem::exists(target));
    const std::string onlyRange =
        runTool({"dump", writeDesignFile(withHazardModel(0.0, HazardRange::Window), "hm-dump-w"),
                 "--scenario", "1", "--replicate", "1", "--look", "1", "--to", target.string()})
            .err;
    EXPECT_NE(onlyRange.find("but this design sets HazardRange = window."), std::string::npos);
}

TEST(HazardModelCommands, SimulateNamesAHazardModelOtherThanQuillmeres) {
    const testing::ToolRun plain =
        runTool({"simulate", writeDesignFile(smallDesign(EventType::Toxicity), "hm-sim-plain"),
                 "--out", freshDirectory("hm-sim-plain-out").string()});
    ASSERT_EQ(plain.status, 0) << plain.err;
    EXPECT_EQ(plain.out.find("Hazard model"), std::string::npos);
    const testing::ToolRun shaped =
        runTool({"simulate", writeDesignFile(withHazardModel(2.0, HazardRange::Unit), "hm-sim"),
                 "--out", freshDirectory("hm-sim-out").string()});
    ASSERT_EQ(shaped.status, 0) << shaped.err;
    EXPECT_NE(shaped.out.find("Hazard model: gamma prior of shape 2 with mean lambda0 in every "
                              "interval; hazards sampled with lambda in [0.001, 100] per day\n"
                              "(not quillmere's computation: quillmere does not reproduce these "
                              "results)\n"),
              std::string::npos);
}

// With every outcome known nothing is imputed: the same boundaries, and a
// note that says so.
TEST(HazardModelCommands, BoundariesAreTheSameUnderAnyHazardModel) {
    const auto plainOut = freshDirectory("hm-bound-plain");
    const auto shapedOut = freshDirectory("hm-bound-shaped");
    const testing::ToolRun plain =
        runTool({"boundaries", writeDesignFile(smallDesign(EventType::Toxicity), "hm-b1"), "--out",
                 plainOut.string()});
    const testing::ToolRun shaped =
        runTool({"boundaries", writeDesignFile(withHazardModel(1.0, HazardRange::Window), "hm-b2"),
                 "--out", shapedOut.string()});
    ASSERT_EQ(shaped.status, 0) << shaped.err;
    EXPECT_EQ(readText(shapedOut / "boundaries.csv"), readText(plainOut / "boundaries.csv"));
    EXPECT_EQ(plain.out.find("plays no part"), std::string::npos);
    EXPECT_NE(shaped.out.find("(HazardPriorShape, HazardRange) plays no part"), std::string::npos);
}

// Under the window range the unit changes nothing: the floor is the same in
// every unit and so are the operating characteristics.
TEST(HazardModelCommands, UnitsShowsThatTheWindowRangeRemovesTheUnit) {
    DesignSettings design = withHazardModel(1.0, HazardRange::Window);
    design.trials = 4;
    const auto out = freshDirectory("hm-units-out");
    const testing::ToolRun run =
        runTool({"units", writeDesignFile(design, "hm-units"), "--units", "hours,weeks,months",
                 "--threads", "2", "--out", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("hazards are sampled with lambda*W in [0.0001, 10000] in every unit"),
              std::string::npos);
    std::istringstream csv(readText(out / "units.csv"));
    std::vector<std::string> afterWindow;
    std::string line;
    std::getline(csv, line);
    while (std::getline(csv, line)) {
        // unit,window,floor,...: everything from the floor on is the same.
        const std::size_t second = line.find(',', line.find(',') + 1);
        afterWindow.push_back(line.substr(second));
    }
    ASSERT_EQ(afterWindow.size(), 8u);
    for (std::size_t row = 2; row < afterWindow.size(); ++row) {
        EXPECT_EQ(afterWindow[row], afterWindow[row % 2]) << "row " << row;
    }
    // 1 - exp(-1e-4) in every unit.
    EXPECT_EQ(afterWindow[0].rfind(",9.9995e-05,1,", 0), 0u) << afterWindow[0];
}

}  // namespace
}  // namespace quillmere
