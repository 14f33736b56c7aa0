#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "design/design_test_support.h"
#include "design/stability.h"
#include "design/text_format.h"
#include "design_cli/look_dump.h"
#include "engine/engine.h"
#include "engine/pending_patient.h"
#include "numeric/incomplete_beta.h"
#include "trial/decision.h"

namespace quillmere {
namespace {

constexpr double hazardLow = 0.001;
constexpr double hazardHigh = 100.0;

struct Example {
    std::string folder;
    int answer = 1;
};

const std::vector<Example> examples = {{"toxicity", 1}, {"efficacy", 2}, {"diseaseprogression", 3}};

std::filesystem::path copyOfExample(const Example& example) {
    const auto directory = testing::freshDirectory("stability-" + example.folder);
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(QUILLMERE_SOURCE_DIR) / "examples" / example.folder)) {
        std::filesystem::copy_file(entry.path(), directory / entry.path().filename());
    }
    return directory;
}

// A draw from Gamma(shape, rate) truncated to the sampler's hazard range, by
// rejection. Without shape (no events and no prior shape) the density is
// 1/x e^(-rate x): drawn log-uniformly and accepted with e^(-rate (x - low)).
double truncatedGamma(double shape, double rate, std::mt19937_64& random) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (;;) {
        double x = 0.0;
        if (shape > 0) {
            x = std::gamma_distribution<double>(shape, 1.0 / rate)(random);
            if (x >= hazardLow && x <= hazardHigh) {
                return x;
            }
            continue;
        }
        x = hazardLow * std::pow(hazardHigh / hazardLow, unit(random));
        if (unit(random) < std::exp(-rate * (x - hazardLow))) {
            return x;
        }
    }
}

// The expected posterior probability Pr(q < bound) given the hazards: the
// pending patients' imputed events are independent Bernoulli variables, so
// their count has a Poisson-binomial distribution, summed exactly.
double expectedPosterior(const TrialData& data, const std::array<double, intervalCount>& hazard,
                         double bound) {
    const auto cumulative = [&](const auto& exposure) {
        double sum = 0.0;
        for (int j = 0; j < intervalCount; ++j) {
            sum += hazard[j] * exposure[j];
        }
        return sum;
    };
    std::array<double, intervalCount> length{};
    for (int j = 0; j < intervalCount; ++j) {
        length[j] = data.intervalBound[j + 1] - data.intervalBound[j];
    }
    const double windowSurvival = std::exp(-cumulative(length));
    std::vector<double> countProbability = {1.0};
    int observed = 0;
    for (int i = 0; i < data.patientCount; ++i) {
        observed += data.responseIndicator[i];
        if (!isPendingPatient(data, i)) {
            continue;
        }
        const double survival = std::exp(-cumulative(data.exposure[i]));
        const double p = (survival - windowSurvival) / survival;
        std::vector<double> next(countProbability.size() + 1, 0.0);
        for (std::size_t c = 0; c < countProbability.size(); ++c) {
            next[c] += countProbability[c] * (1 - p);
            next[c + 1] += countProbability[c] * p;
        }
        countProbability = next;
    }
    double expected = 0.0;
    for (std::size_t c = 0; c < countProbability.size(); ++c) {
        const double events = observed + static_cast<double>(c);
        expected +=
            countProbability[c] * betai(static_cast<float>(events + 0.1),
                                        static_cast<float>(data.patientCount - events + 0.2),
                                        static_cast<float>(bound));
    }
    return expected;
}

struct ExactEstimate {
    double mean = 0.0;
    double error = 0.0;
};

// The reported probability a run of unlimited length would give, by a Gibbs
// sampler that draws every hazard from its full conditional exactly: the
// gamma prior kernel (shape a_k, mean lambda0 or the preceding hazard) times
// the piecewise exponential likelihood is Gamma(a_k + events_k,
// a_k / m_k + exposure_k), truncated to [0.001, 100].
ExactEstimate exactGibbs(const AnalysisInput& input, int sweeps) {
    std::vector<TrialData> record(1);
    TrialData& data = record[0];
    fillTrialRecord(data, input);
    computeExposureTable(data);
    const EngineState prior;
    std::array<double, intervalCount> events{};
    std::array<double, intervalCount> exposure{};
    for (int i = 0; i < data.patientCount; ++i) {
        for (int j = 0; j < intervalCount; ++j) {
            events[j] += data.delta[i][j];
            exposure[j] += data.exposure[i][j];
        }
    }
    const EventType type = input.rule.eventType;
    const double bound =
        type == EventType::DiseaseProgression ? 1 - data.rateBound : data.rateBound;
    std::mt19937_64 random(20261207);
    std::array<double, intervalCount> hazard{};
    hazard.fill(1.0);
    double sum = 0.0;
    double squares = 0.0;
    for (int sweep = 0; sweep < sweeps + 100; ++sweep) {
        for (int k = 0; k < intervalCount; ++k) {
            const double shape = prior.hazardPriorShape[k];
            const double mean = k == 0 ? data.lambda0 : hazard[k - 1];
            hazard[k] = truncatedGamma(shape + events[k], shape / mean + exposure[k], random);
        }
        if (sweep < 100) {
            continue;
        }
        const double value = reportedProbability(type, expectedPosterior(data, hazard, bound));
        sum += value;
        squares += value * value;
    }
    const double mean = sum / sweeps;
    return {mean, std::sqrt((squares / sweeps - mean * mean) / sweeps)};
}

StabilityStudy study(const AnalysisInput& input, int runs, int threads, std::uint64_t seed) {
    const std::optional<StabilityOutcome> outcome =
        runStability(input, {runs, threads, seed}, [](long, long) {});
    EXPECT_TRUE(outcome && *outcome);
    return outcome->value();
}

TEST(StabilityStreams, SeededStatesDifferFromEachOtherAndRepeat) {
    const EngineState first = independentEngineState(7, 1);
    const EngineState again = independentEngineState(7, 1);
    const EngineState second = independentEngineState(7, 2);
    const EngineState otherSeed = independentEngineState(8, 1);
    EXPECT_EQ(first.rand15.state, again.rand15.state);
    EXPECT_EQ(first.uniform.shuffleTable, again.uniform.shuffleTable);
    EXPECT_NE(first.rand15.state, second.rand15.state);
    EXPECT_NE(first.uniform.shuffleTable, second.uniform.shuffleTable);
    EXPECT_NE(first.rand15.state, otherSeed.rand15.state);
}

TEST(StabilityStreams, StartingAtTheFixedPointGivesTheFixedStream) {
    UniformGenerator fresh;
    UniformGenerator started;
    startUniformAt(started, fixedUniformStart());
    for (int i = 0; i < 1000; ++i) {
        ASSERT_EQ(nextUniform(fresh), nextUniform(started)) << i;
    }
}

// The mean over independent runs estimates what a run of unlimited length
// gives; an exact Gibbs computation must agree within 4 standard errors.
TEST(StabilityProof, MeanOverRunsAgreesWithExactGibbs) {
    for (const Example& example : examples) {
        const auto directory = copyOfExample(example);
        const InputOutcome input = readTrialDirectory(directory, example.answer);
        ASSERT_TRUE(input) << input.error().text;
        const StabilityStudy found = study(input.value(), 48, 2, 11);
        ASSERT_GT(found.fixed.pendingCount, 0) << example.folder;
        const StabilitySummary summary = summariseStability(found);
        const ExactEstimate exact = exactGibbs(input.value(), 40000);
        const double tolerance =
            4 * std::sqrt(summary.meanError * summary.meanError + exact.error * exact.error);
        EXPECT_NEAR(summary.mean, exact.mean, tolerance)
            << example.folder << ": runs " << summary.mean << " (" << summary.meanError
            << "), exact " << exact.mean << " (" << exact.error << ")";
        // The runs do vary: the streams are not the same.
        EXPECT_GT(summary.runDeviation, 0.0) << example.folder;
    }
}

TEST(StabilityStudy, SameForAnyThreadCountAndRepeatableFromTheSeed) {
    const auto directory = copyOfExample(examples[0]);
    const InputOutcome input = readTrialDirectory(directory, 1);
    ASSERT_TRUE(input);
    const StabilityStudy one = study(input.value(), 6, 1, 5);
    const StabilityStudy two = study(input.value(), 6, 2, 5);
    const StabilityStudy otherSeed = study(input.value(), 6, 2, 6);
    EXPECT_EQ(one.probabilities, two.probabilities);
    EXPECT_EQ(one.terminates, two.terminates);
    EXPECT_NE(one.probabilities, otherSeed.probabilities);
}

// The whole command: the fixed-stream probability is quillmere's to the bit,
// the trial directory is left exactly as it was (summary.txt included), and
// the files are written into the output directory.
TEST(StabilityCommand, FixedStreamsGiveQuillmeresResultAndTheTrialIsUntouched) {
    for (const Example& example : examples) {
        const auto directory = copyOfExample(example);
        testing::writeText(directory / "summary.txt", "an earlier report\n");
        const auto before = testing::directoryFiles(directory);
        const auto out = testing::freshDirectory("stability-out");
        const testing::ToolRun run = testing::runTool(
            {"stability", directory.string(), "--answer", std::to_string(example.answer), "--runs",
             "3", "--threads", "2", "--seed", "9", "--out", out.string()});
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(testing::directoryFiles(directory), before);
        const std::size_t exactAt = run.out.find("exact value: ");
        ASSERT_NE(exactAt, std::string::npos) << run.out;
        const double fixed = std::stod(run.out.substr(exactAt + 13));
        const testing::ConsoleRun console =
            testing::runQuillmere(directory, static_cast<char>('0' + example.answer));
        ASSERT_EQ(console.status, 0);
        const InputOutcome input = readTrialDirectory(directory, example.answer);
        ASSERT_TRUE(input);
        EXPECT_EQ(
            consoleResultLine(input.value().rule.eventType, input.value().rule.rateBound, fixed),
            console.resultLine);
        const AnalysisOutcome analysed = analyse(input.value());
        ASSERT_TRUE(analysed);
        EXPECT_EQ(fixed, analysed.value().reportedProbability);
        const std::string csv = testing::readText(out / "stability.csv");
        EXPECT_EQ(csv.substr(0, csv.find('\n')), "run,probability,terminate");
        EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 4);
        EXPECT_NE(testing::readText(out / "stability.svg").find("</svg>"), std::string::npos);
    }
}

TEST(StabilityCommand, PrintsThePriorOnlyWarning) {
    const auto directory = testing::freshDirectory("stability-prior-only");
    testing::writeText(directory / "TrialConfig_Toxicity.config",
                       "TrialType = Toxicity\nRateBound = 0.3\nCutoffProbability = 0.9\n"
                       "MaxEvaluationWindow = 90\nInputDataFileName = data_toxicity.txt\n");
    std::string records = "PatientData TOXICITY_EVENT TimeToEvent FollowUpTime\n";
    for (int i = 0; i < 12; ++i) {
        const std::string days = std::to_string(5 * (i + 1));
        records += "P" + std::to_string(i + 1) + " 0 " + days + " " + days + "\n";
    }
    testing::writeText(directory / "data_toxicity.txt", records);
    const auto out = testing::freshDirectory("stability-prior-only-out");
    const testing::ToolRun run = testing::runTool(
        {"stability", directory.string(), "--answer", "1", "--runs", "2", "--out", out.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.rfind("WARNING: no patient has been followed beyond time 60 of the "
                            "evaluation window (90). From that time on the data say nothing: the "
                            "outcomes imputed for pending patients, and so the probability, rest "
                            "on the prior there.\n",
                            0),
              0u)
        << run.out;
}

TEST(StabilityCommand, ReadsTheTrialAsQuillmereDoesAndNamesBadOptions) {
    const auto directory = testing::freshDirectory("stability-empty");
    const testing::ToolRun missing =
        testing::runTool({"stability", directory.string(), "--answer", "1", "--runs", "2"});
    const InputOutcome expected = readTrialDirectory(directory, 1);
    ASSERT_FALSE(expected);
    EXPECT_EQ(missing.status, expected.error().exitStatus);
    EXPECT_EQ(missing.out + missing.err, expected.error().text);
    const testing::ToolRun answer =
        testing::runTool({"stability", directory.string(), "--answer", "4"});
    EXPECT_EQ(answer.status, 1);
    EXPECT_EQ(answer.err,
              "The answer (4) must be 1 (toxicity), 2 (efficacy) or 3 (disease progression).\n");
    const testing::ToolRun runs =
        testing::runTool({"stability", directory.string(), "--answer", "1", "--runs", "1"});
    EXPECT_EQ(runs.err, "The number of runs (1) must be a whole number from 2 to 1000000.\n");
    const testing::ToolRun noAnswer = testing::runTool({"stability", directory.string()});
    EXPECT_EQ(noAnswer.err,
              "The stability command needs the option --answer.\nRun 'quillmere-design "
              "stability --help' for the usage.\n");
    const testing::ToolRun noDirectory = testing::runTool({"stability", "--answer", "1"});
    EXPECT_EQ(noDirectory.err,
              "The stability command needs a trial directory.\nRun 'quillmere-design "
              "stability --help' for the usage.\n");
}

}  // namespace
}  // namespace quillmere
