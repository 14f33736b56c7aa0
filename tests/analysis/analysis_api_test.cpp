// The analysis API as a host program uses it: many analyses in one process,
// on two threads, with failures coming back as values.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <random>
#include <sstream>
#include <thread>
#include <variant>

#include "analysis/analysis.h"
#include "app/program_runner.h"
#include "app/trial_files.h"

namespace quillmere {
namespace {

using testing::TrialDirectory;
using testing::TrialKind;

enum class CaseKind { Valid, InvalidSettings, InvalidData, SamplerFailure };

struct ApiCase {
    CaseKind kind = CaseKind::Valid;
    AnalysisInput input;
};

// Patients of a random look: enrolled over the window, some with events,
// some completed, some pending; times on a 1/64 grid so that their text in a
// data file is exact.
std::vector<PatientObservation> randomPatients(std::mt19937& random, double window) {
    std::uniform_int_distribution<int> count(1, 8);
    std::uniform_int_distribution<int> grid(1, 64);
    std::vector<PatientObservation> patients;
    const int n = count(random);
    for (int i = 0; i < n; ++i) {
        const double followUp = window * grid(random) / 64.0 * 1.25;
        const double eventTime = std::min(followUp, window) * grid(random) / 64.0;
        const bool event = grid(random) <= 16;
        patients.push_back(
            {"Q" + std::to_string(i + 1), event ? 1 : 0, event ? eventTime : 0.0, followUp});
    }
    return patients;
}

ApiCase randomCase(std::mt19937& random, int index) {
    static constexpr std::array<EventType, 3> types = {EventType::Toxicity, EventType::Efficacy,
                                                       EventType::DiseaseProgression};
    static constexpr std::array<double, 4> windows = {7.0, 28.0, 12.0, 90.0};
    ApiCase c;
    AnalysisInput& input = c.input;
    input.rule = {types[index % 3], 0.15 + 0.05 * (index % 7), 0.5 + 0.05 * (index % 9),
                  windows[index % 4]};
    input.patients = randomPatients(random, input.rule.maxEvaluationWindow);
    switch (index % 25) {
        case 5:
            c.kind = CaseKind::InvalidSettings;
            input.rule.rateBound = index % 2 == 0 ? 1.5 : std::nan("");
            break;
        case 10:
            c.kind = CaseKind::InvalidData;
            input.patients.back().eventTime = input.rule.maxEvaluationWindow * 2;
            input.patients.back().followUp = input.rule.maxEvaluationWindow * 3;
            break;
        case 15:
            // A window far beyond what the checks admit: handed to the
            // engine directly, it makes the sampler give up.
            c.kind = CaseKind::SamplerFailure;
            input.rule.maxEvaluationWindow = 1e300;
            input.patients = {{"A", 1, 1e299, 1e300}, {"B", 0, 0.0, 5e299}, {"C", 0, 0.0, 1e299}};
            break;
        default:
            break;
    }
    return c;
}

AnalysisOutcome runCase(const ApiCase& c) {
    if (c.kind != CaseKind::SamplerFailure) {
        return analyse(c.input);
    }
    auto data = std::make_unique<TrialData>();
    fillTrialRecord(*data, c.input);
    EngineState state;
    return analyseFilledRecord(*data, c.input.rule, state);
}

std::uint64_t bits(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

void expectSameBits(const AnalysisResult& a, const AnalysisResult& b) {
    EXPECT_EQ(bits(a.posteriorResult), bits(b.posteriorResult));
    EXPECT_EQ(bits(a.reportedProbability), bits(b.reportedProbability));
    EXPECT_EQ(a.terminate, b.terminate);
    EXPECT_EQ(a.uninformedFrom, b.uninformedFrom);
    for (int j = 0; j < intervalCount; ++j) {
        EXPECT_EQ(bits(a.hazards[j]), bits(b.hazards[j])) << j;
    }
}

const TrialKind& kindOf(EventType eventType) {
    switch (eventType) {
        case EventType::Toxicity:
            return testing::toxicity;
        case EventType::Efficacy:
            return testing::efficacy;
        case EventType::DiseaseProgression:
            break;
    }
    return testing::diseaseProgression;
}

std::string exactText(double value) {
    std::array<char, 32> text{};
    std::snprintf(text.data(), text.size(), "%.17g", value);
    return text.data();
}

// Writes the input as the console program's trial directory.
void writeTrialDirectory(const TrialDirectory& dir, const AnalysisInput& input) {
    std::string records;
    for (const PatientObservation& p : input.patients) {
        records += p.id + " " + std::to_string(p.eventIndicator) + " " + exactText(p.eventTime) +
                   " " + exactText(p.followUp) + "\n";
    }
    const MonitoringRule& rule = input.rule;
    testing::writeTrial(dir, kindOf(rule.eventType), records, exactText(rule.maxEvaluationWindow),
                        exactText(rule.rateBound), exactText(rule.cutoffProbability));
}

// The result line quillmere writes to summary.txt.
std::string resultLine(const MonitoringRule& rule, const AnalysisResult& result) {
    std::ostringstream line;
    line << (rule.eventType == EventType::Toxicity ? "RESULTS: Pr(Toxicity rate >"
                                                   : "RESULTS: Pr(Efficacy rate <")
         << rule.rateBound << ")=" << result.reportedProbability;
    return line.str();
}

TEST(AnalysisApi, TwoThousandAnalysesOnTwoThreadsSurviveAndAgreeWithTheProgram) {
    constexpr int caseCount = 2000;
    std::mt19937 random(20261207);
    std::vector<ApiCase> cases;
    for (int i = 0; i < caseCount; ++i) {
        cases.push_back(randomCase(random, i));
    }
    std::vector<std::optional<AnalysisOutcome>> outcomes(caseCount);
    auto work = [&](int first) {
        for (int i = first; i < caseCount; i += 2) {
            outcomes[i] = runCase(cases[i]);
        }
    };
    std::thread other(work, 1);
    work(0);
    other.join();

    int valid = 0;
    for (int i = 0; i < caseCount; ++i) {
        const AnalysisOutcome& outcome = *outcomes[i];
        const ApiCase& c = cases[i];
        switch (c.kind) {
            case CaseKind::Valid:
                ASSERT_TRUE(outcome.succeeded()) << i << ": " << outcome.error().text;
                EXPECT_EQ(outcome.value().patientCount, static_cast<int>(c.input.patients.size()));
                ++valid;
                break;
            case CaseKind::InvalidSettings:
                ASSERT_FALSE(outcome.succeeded()) << i;
                EXPECT_EQ(outcome.error().kind, AnalysisErrorKind::InvalidSettings);
                EXPECT_EQ(outcome.error().exitStatus, 2);
                EXPECT_EQ(outcome.error().text,
                          std::isnan(c.input.rule.rateBound)
                              ? "The Rate Bound was set to (nan). This value is not a finite "
                                "number.\n\n"
                              : "The Rate Bound was set to (1.5). This value must lay within "
                                "the open interval (0,1).\n\n");
                break;
            case CaseKind::InvalidData:
                ASSERT_FALSE(outcome.succeeded()) << i;
                EXPECT_EQ(outcome.error().kind, AnalysisErrorKind::InvalidData);
                EXPECT_EQ(outcome.error().exitStatus, -1);
                EXPECT_EQ(outcome.error().text,
                          "\nFor patient " + c.input.patients.back().id +
                              ", event time is not allowed to be larger than maximum follow up "
                              "time you entered. Please re-enter!\n");
                break;
            case CaseKind::SamplerFailure:
                ASSERT_FALSE(outcome.succeeded()) << i;
                EXPECT_EQ(outcome.error().kind, AnalysisErrorKind::Sampler);
                EXPECT_EQ(outcome.error().samplerCode, 1008);
                EXPECT_EQ(outcome.error().exitStatus, 1);
                EXPECT_EQ(outcome.error().text, "error code (beta0): 1008\n");
                break;
        }
    }
    EXPECT_GT(valid, 1700);

    // A sample: the same result alone on this thread, and the same decision
    // from the console program on the same files, read back by the library's
    // own trial directory reader to the bit.
    for (int i = 0; i < caseCount; i += 167) {
        const ApiCase& c = cases[i];
        if (c.kind != CaseKind::Valid) {
            continue;
        }
        SCOPED_TRACE(i);
        const AnalysisResult& threaded = outcomes[i]->value();
        expectSameBits(analyse(c.input).value(), threaded);

        TrialDirectory dir;
        writeTrialDirectory(dir, c.input);
        const InputOutcome read =
            readTrialDirectory(dir.path(), std::stoi(kindOf(c.input.rule.eventType).answer));
        ASSERT_TRUE(read.succeeded()) << read.error().text;
        expectSameBits(analyse(read.value()).value(), threaded);

        const testing::ProgramRun run = dir.run({kindOf(c.input.rule.eventType).answer}, "x");
        ASSERT_EQ(run.status, 0) << run.out;
        const std::string summary = dir.read("summary.txt");
        EXPECT_NE(summary.find(resultLine(c.input.rule, threaded) + "\n"), std::string::npos)
            << summary;
        EXPECT_NE(
            run.out.find(threaded.terminate ? "We suggest to TERMINATE" : "We suggest to CONTINUE"),
            std::string::npos);
    }
}

TEST(AnalysisApi, PriorOnlyConditionAndCountsAreReported) {
    AnalysisInput input;
    input.rule = {EventType::Toxicity, 0.3, 0.9, 30.0};
    // Nobody followed beyond day 9 of 30, two patients pending.
    input.patients = {{"A", 1, 2.0, 9.0}, {"B", 0, 0.0, 9.0}, {"C", 0, 0.0, 4.0}};
    const AnalysisOutcome outcome = analyse(input);
    ASSERT_TRUE(outcome.succeeded());
    const AnalysisResult& result = outcome.value();
    EXPECT_EQ(result.patientCount, 3);
    EXPECT_EQ(result.eventCount, 1);
    EXPECT_EQ(result.pendingCount, 2);
    ASSERT_TRUE(result.uninformedFrom.has_value());
    EXPECT_EQ(*result.uninformedFrom, 10.0);
    EXPECT_EQ(priorOnlyWarning(*result.uninformedFrom, 30.0),
              "WARNING: no patient has been followed beyond time 10 of the evaluation window "
              "(30). From that time on the data say nothing: the outcomes imputed for pending "
              "patients, and so the probability, rest on the prior there.");

    input.patients = {{"A", 1, 2.0, 30.0}, {"B", 0, 0.0, 31.0}};
    EXPECT_FALSE(analyse(input).value().uninformedFrom.has_value());
}

TEST(AnalysisApi, PatientChecksComeInTheReadersOrderAndWords) {
    AnalysisInput input;
    input.rule = {EventType::Efficacy, 0.3, 0.9, 12.0};
    input.patients = {{"A", 0, 0.0, 5.0}, {"B", 2, 1.0, 5.0}, {"C", 0, -1.0, 5.0}};
    EXPECT_EQ(analyse(input).error().text,
              "\nFor patient B, invalid response indicator! Only 0 or 1 is allowed. Please "
              "check.\n");
    input.patients[1] = {std::string(100, 'x'), 0, 1.0, 5.0};
    EXPECT_EQ(analyse(input).error().text,
              "\nThe identifier of patient number 2 (" + std::string(99, 'x') +
                  "...) is longer than 99 characters or holds a NUL character. Please "
                  "re-enter!\n");
    input.patients.assign(501, {"P", 0, 0.0, 5.0});
    EXPECT_EQ(analyse(input).error().text,
              "\nThe number of patients entered exceed the limits. Please only enter less or "
              "equal to 500 patients");
    input.rule.cutoffProbability = 1.0;
    input.rule.maxEvaluationWindow = -3.0;
    EXPECT_EQ(analyse(input).error().text,
              "The Cutoff Probability was set to (1). This value must lay within the open "
              "interval (0,1).\nThe MaxEvaluationWindow was set to (-3). This value must be "
              "greater than zero.\n\n");
}

TEST(TrialDirectoryReader, GivesTheConsoleProgramsMessagesAsValues) {
    TrialDirectory dir;
    const InputOutcome missing = readTrialDirectory(dir.path(), 1);
    ASSERT_FALSE(missing.succeeded());
    EXPECT_EQ(missing.error().exitStatus, 2);
    const testing::ProgramRun run = dir.run({"1"});
    EXPECT_NE(run.out.find(missing.error().text), std::string::npos) << run.out;
    EXPECT_EQ(run.out.substr(run.out.size() - missing.error().text.size()), missing.error().text);

    testing::writeTrial(dir, testing::toxicity, "A 0 3 30\nB 1 40 50\n");
    const InputOutcome badRecord = readTrialDirectory(dir.path(), 1);
    ASSERT_FALSE(badRecord.succeeded());
    EXPECT_EQ(badRecord.error().kind, AnalysisErrorKind::InvalidData);
    const testing::ProgramRun badRun = dir.run({"1"});
    EXPECT_EQ(badRun.status, 255);
    EXPECT_EQ(badRun.out.substr(badRun.out.size() - badRecord.error().text.size()),
              badRecord.error().text);

    dir.write(testing::toxicity.dataFileName, "PatientData EFFICACY_EVENT Time FollowUp\n");
    const InputOutcome label = readTrialDirectory(dir.path(), 1);
    ASSERT_FALSE(label.succeeded());
    const testing::ProgramRun labelRun = dir.run({"1"});
    EXPECT_EQ(labelRun.status, 2);
    EXPECT_EQ(labelRun.out.substr(labelRun.out.size() - label.error().text.size()),
              label.error().text);

    EXPECT_EQ(readTrialDirectory(dir.path(), 4).error().exitStatus, 3);
}

TEST(TrialDirectoryReader, ReadsTheBundledExamples) {
    const std::array<std::pair<const char*, int>, 3> examples = {
        {{"toxicity", 1}, {"efficacy", 2}, {"diseaseprogression", 3}}};
    for (const auto& [name, answer] : examples) {
        const InputOutcome read =
            readTrialDirectory(testing::sourceDir / "examples" / name, answer);
        ASSERT_TRUE(read.succeeded()) << name << ": " << read.error().text;
        EXPECT_GT(read.value().patients.size(), 20U) << name;
        EXPECT_TRUE(analyse(read.value()).succeeded()) << name;
    }
}

}  // namespace
}  // namespace quillmere
