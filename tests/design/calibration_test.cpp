#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "design/calibration.h"
#include "design/design_test_support.h"
#include "design/text_format.h"

namespace quillmere {
namespace {

using Table = std::vector<std::map<std::string, std::string>>;

// A CSV file as rows of named fields, the text of each field as written.
Table readCsv(const std::filesystem::path& path) {
    std::istringstream text(testing::readText(path));
    const auto split = [](const std::string& line) {
        std::vector<std::string> fields(1);
        for (const char c : line) {
            if (c == ',') {
                fields.emplace_back();
            } else {
                fields.back().push_back(c);
            }
        }
        return fields;
    };
    std::string line;
    std::getline(text, line);
    const std::vector<std::string> names = split(line);
    Table rows;
    while (std::getline(text, line)) {
        const std::vector<std::string> fields = split(line);
        std::map<std::string, std::string> row;
        for (std::size_t i = 0; i < names.size() && i < fields.size(); ++i) {
            row[names[i]] = fields[i];
        }
        rows.push_back(row);
    }
    return rows;
}

DesignSettings calibrationDesign(EventType eventType) {
    DesignSettings design = testing::smallDesign(eventType);
    design.trueRates = {0.1, 0.6};
    design.trials = 8;
    design.calibrationRate = 0.25;  // not among the true rates: simulated as a third scenario
    design.maxErrorStop = 0.25;
    return design;
}

// simulate's operating_characteristics.csv with CutoffProbability = cut-off,
// the calibration rate appended to the true rates as calibrate appends it.
Table simulatedAt(DesignSettings design, const std::string& cutoff) {
    design.cutoffProbability = std::stod(cutoff);
    design.trueRates.push_back(*design.calibrationRate);
    const std::string file = testing::writeDesignFile(design, "calibration-check");
    const auto out = testing::freshDirectory("calibration-check-out");
    const testing::ToolRun run = testing::runTool({"simulate", file, "--out", out.string()});
    EXPECT_EQ(run.status, 0) << run.err;
    return readCsv(out / "operating_characteristics.csv");
}

// For any cut-off of calibration.csv, simulate with that cut-off gives the
// same figures digit for digit.
class CalibrationExactness : public ::testing::TestWithParam<EventType> {};

TEST_P(CalibrationExactness, SimulateAtACutoffGivesTheSameFigures) {
    const DesignSettings design = calibrationDesign(GetParam());
    const std::string file = testing::writeDesignFile(design, "calibration");
    const auto out = testing::freshDirectory("calibration-out");
    const testing::ToolRun run =
        testing::runTool({"calibrate", file, "--threads", "2", "--out", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    const Table calibration = readCsv(out / "calibration.csv");
    const std::size_t rates = 3;
    ASSERT_GE(calibration.size(), 3 * rates);
    ASSERT_EQ(calibration.size() % rates, 0u);
    const std::size_t cutoffs = calibration.size() / rates;
    for (const std::size_t pick : {std::size_t{0}, cutoffs / 2, cutoffs - 1}) {
        const std::string cutoff = calibration[pick * rates].at("cutoff");
        // Written in its shortest exact form.
        EXPECT_EQ(roundTripText(std::stod(cutoff)), cutoff);
        const Table simulated = simulatedAt(design, cutoff);
        ASSERT_EQ(simulated.size(), rates);
        for (std::size_t r = 0; r < rates; ++r) {
            const auto& row = calibration[pick * rates + r];
            const auto& sim = simulated[r];
            EXPECT_EQ(row.at("cutoff"), cutoff);
            EXPECT_EQ(row.at("rate"), sim.at("true_rate"));
            EXPECT_EQ(row.at("p_early_stop"), sim.at("early_stop_probability")) << cutoff;
            EXPECT_EQ(row.at("p_low"), sim.at("early_stop_ci_low")) << cutoff;
            EXPECT_EQ(row.at("p_high"), sim.at("early_stop_ci_high")) << cutoff;
            EXPECT_EQ(row.at("expected_patients"), sim.at("expected_patients")) << cutoff;
            EXPECT_EQ(row.at("expected_patients_se"), sim.at("expected_patients_se")) << cutoff;
            EXPECT_EQ(row.at("expected_duration"), sim.at("expected_duration")) << cutoff;
            EXPECT_EQ(row.at("expected_duration_se"), sim.at("expected_duration_se")) << cutoff;
        }
    }
    // Cut-offs ascend, and the figures at the calibration rate never rise.
    for (std::size_t c = 1; c < cutoffs; ++c) {
        EXPECT_LT(std::stod(calibration[(c - 1) * rates].at("cutoff")),
                  std::stod(calibration[c * rates].at("cutoff")));
        EXPECT_GE(std::stod(calibration[(c - 1) * rates + 2].at("p_early_stop")),
                  std::stod(calibration[c * rates + 2].at("p_early_stop")));
    }
}

INSTANTIATE_TEST_SUITE_P(AllEventTypes, CalibrationExactness,
                         ::testing::Values(EventType::Toxicity, EventType::Efficacy,
                                           EventType::DiseaseProgression));

// The chosen cut-off is the smallest one whose P(early stop) at the
// calibration rate is within MaxErrorStop.
TEST(Calibration, ChoosesTheSmallestCutoffWithinTheLimit) {
    const DesignSettings design = calibrationDesign(EventType::Toxicity);
    const std::string file = testing::writeDesignFile(design, "calibration-choice");
    const auto out = testing::freshDirectory("calibration-choice-out");
    const testing::ToolRun run = testing::runTool({"calibrate", file, "--out", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    std::string expected;
    for (const auto& row : readCsv(out / "calibration.csv")) {
        if (row.at("rate") == "0.25" && std::stod(row.at("p_early_stop")) <= 0.25) {
            expected = row.at("cutoff");
            break;
        }
    }
    ASSERT_FALSE(expected.empty());
    EXPECT_NE(run.out.find("Smallest such cut-off: " + expected + " ("), std::string::npos)
        << run.out;
    const std::string plot = testing::readText(out / "calibration.svg");
    EXPECT_NE(plot.find("MaxErrorStop 0.25"), std::string::npos);
    EXPECT_NE(plot.find("chosen cut-off"), std::string::npos);
}

// Shards of a calibration merge into the very files of one run.
TEST(Calibration, ShardsMergeIntoTheFilesOfOneRun) {
    const DesignSettings design = calibrationDesign(EventType::Efficacy);
    const std::string file = testing::writeDesignFile(design, "calibration-shards");
    const auto whole = testing::freshDirectory("calibration-whole");
    const auto first = testing::freshDirectory("calibration-shard-1");
    const auto second = testing::freshDirectory("calibration-shard-2");
    const auto merged = testing::freshDirectory("calibration-merged");
    ASSERT_EQ(testing::runTool({"calibrate", file, "--out", whole.string()}).status, 0);
    ASSERT_EQ(testing::runTool({"calibrate", file, "--replicates", "1-3", "--out", first.string()})
                  .status,
              0);
    ASSERT_EQ(testing::runTool({"calibrate", file, "--replicates", "4-8", "--out", second.string()})
                  .status,
              0);
    const testing::ToolRun merge = testing::runTool(
        {"merge", file, second.string(), first.string(), "--out", merged.string()});
    ASSERT_EQ(merge.status, 0) << merge.err;
    for (const char* name : {"calibration_looks.csv", "calibration.csv", "calibration.svg"}) {
        EXPECT_EQ(testing::readText(merged / name), testing::readText(whole / name)) << name;
    }
    // A shard missing is named.
    const auto lone = testing::freshDirectory("calibration-lone");
    const testing::ToolRun partial =
        testing::runTool({"merge", file, first.string(), "--out", lone.string()});
    EXPECT_EQ(partial.status, 1);
    EXPECT_NE(partial.err.find("Scenario 1, replicate 4 is missing from the shards."),
              std::string::npos)
        << partial.err;
}

TEST(Calibration, NeedsItsTwoKeys) {
    DesignSettings design = testing::smallDesign(EventType::Toxicity);
    const std::string file = testing::writeDesignFile(design, "calibration-keys");
    const testing::ToolRun run = testing::runTool({"calibrate", file});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err,
              "The calibrate command needs the keys CalibrationRate and MaxErrorStop in the "
              "design file.\n");
}

// A protocol needs a short cut-off that still gives the calibrated figures:
// the decimal with the fewest digits whose double lies in [low, high).
TEST(Calibration, ShortDecimalLiesInTheIntervalOfTheSameFigures) {
    struct Case {
        double low;
        double high;
        const char* expected;
    };
    const Case cases[] = {
        {0.7728462, 0.7728652, "0.77285"},
        {0.8644088613335044, 0.9, "0.87"},  // high is excluded
        {0.8644088613335044, 0.9000000000000001, "0.9"},
        {0.85, 0.86, "0.85"},  // low is included
        {0.05, 0.051, "0.05"},
        {0.001234, 0.0013, "0.00124"},
        {0.9999, 1.0, "0.9999"},
        {0.1, 0.1000000000000001, "0.1"},
        {0.30000000000000004, 0.3000000000000001, "0.30000000000000003"},  // the same double
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shortDecimalWithin(c.low, c.high), c.expected) << c.low << ' ' << c.high;
    }
    // Every result reads back inside its interval.
    for (const Case& c : cases) {
        const double value = std::stod(shortDecimalWithin(c.low, c.high));
        EXPECT_GE(value, c.low);
        EXPECT_LT(value, c.high);
    }
    EXPECT_EQ(cutoffInterval(CalibrationResult{{}, {0.2, 0.5}, {}, 0, {}}, 1).high, 1.0);
    EXPECT_EQ(cutoffInterval(CalibrationResult{{}, {0.2, 0.5}, {}, 0, {}}, 0).high, 0.5);
}

}  // namespace
}  // namespace quillmere
