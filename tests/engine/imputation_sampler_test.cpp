#include <gtest/gtest.h>

#include "engine/engine_test_support.h"
#include "numeric/random_sources.h"

namespace quillmere::testing {
namespace {

struct ReferenceRun {
    const char* directory;
    double posteriorResult;  // from two independent implementations, %.17g
};

class ReferenceRunTest : public ::testing::TestWithParam<ReferenceRun> {};

TEST_P(ReferenceRunTest, ReproducesTheIndependentResultToTheBit) {
    const ReferenceRun& run = GetParam();
    const auto input = loadReferenceTrial(run.directory);
    ASSERT_GT(input.patients.size(), 0u);
    const auto data = runFresh(input);
    EXPECT_EQ(bitsOf(data->posteriorResult), bitsOf(run.posteriorResult))
        << std::hexfloat << data->posteriorResult << " expected " << run.posteriorResult;
}

INSTANTIATE_TEST_SUITE_P(ImputationSampler, ReferenceRunTest,
                         ::testing::Values(ReferenceRun{"toxicity-n60", 0.72416841015219691},
                                           ReferenceRun{"efficacy-n80", 0.95149456262588505},
                                           ReferenceRun{"diseaseprogression-n45",
                                                        0.91927130371332166},
                                           ReferenceRun{"toxicity-n200", 0.98142925500869749}),
                         [](const auto& info) {
                             std::string name = info.param.directory;
                             std::erase(name, '-');
                             return name;
                         });

// Without pending patients every completed data set is the observed one, so
// the 20 retained values are one and the same single-precision number.
void expectClosedForm(const TrialInput& input, double bound, int events) {
    const auto data = runFresh(input);
    const double n = static_cast<double>(input.patients.size());
    const double expected = regularisedIncompleteBeta(bound, events + 0.1, n - events + 0.2);
    // A single-precision evaluation of I_x: a few units in the last place of a float.
    EXPECT_NEAR(data->posteriorResult, expected, 2e-6);
    EXPECT_EQ(static_cast<double>(static_cast<float>(data->posteriorResult)),
              data->posteriorResult);
}

TEST(ImputationSampler, NoPatientsGivesThePriorProbability) {
    const TrialInput input{EventType::Toxicity, 0.3, 90.0, {}};
    const auto data = runFresh(input);
    EXPECT_NEAR(data->posteriorResult, 0.622843, 5e-7);
    expectClosedForm(input, 0.3, 0);
}

TEST(ImputationSampler, WorkedExampleTenToxicityPatientsWithoutPending) {
    TrialInput input{EventType::Toxicity, 0.3, 28.0, {eventAt(5.0), eventAt(21.5)}};
    for (int i = 0; i < 8; ++i) {
        input.patients.push_back(completeWithoutEvent(28.0));
    }
    const auto data = runFresh(input);
    EXPECT_NEAR(data->posteriorResult, 0.797543, 5e-7);
    expectClosedForm(input, 0.3, 2);
}

TEST(ImputationSampler, NoPendingPatientGivesTheClosedFormForEveryEventType) {
    // Events on a bound, at the window's end and at time 0, and a patient
    // followed exactly to the window's end (not pending).
    const std::vector<PatientEntry> patients{eventAt(0.0),
                                             eventAt(14.0),
                                             eventAt(56.0),
                                             eventAt(33.3),
                                             completeWithoutEvent(56.0),
                                             {"L", 0, 56.0, 80.0},
                                             completeWithoutEvent(56.0),
                                             completeWithoutEvent(56.0),
                                             completeWithoutEvent(56.0),
                                             completeWithoutEvent(56.0),
                                             completeWithoutEvent(56.0)};
    expectClosedForm({EventType::Toxicity, 0.25, 56.0, patients}, 0.25, 4);
    expectClosedForm({EventType::Efficacy, 0.35, 56.0, patients}, 0.35, 4);
    // Progression-free rate 0.6: bound on the progression rate 1 - 0.6.
    expectClosedForm({EventType::DiseaseProgression, 0.6, 56.0, patients}, 1 - 0.6, 4);
}

TEST(ImputationSampler, DrawsOneUniformPerPendingPatientInEachRetainedSweep) {
    // Three pending patients; the patient followed exactly to the window's end
    // and the event patient are not pending.
    const TrialInput input{EventType::Toxicity,
                           0.3,
                           30.0,
                           {pendingFor(3.0),
                            eventAt(12.0),
                            completeWithoutEvent(30.0),
                            pendingFor(29.9),
                            {"Q", 0, 10.0, 10.0}}};
    auto data = recordWithExposures(input);
    EngineState state;
    ASSERT_EQ(runGibbsImputation(*data, input.eventType, state), 0);
    UniformGenerator untouched;
    for (int draw = 0; draw < 20 * 3; ++draw) {
        nextUniform(untouched);
    }
    EXPECT_EQ(nextUniform(state.uniform), nextUniform(untouched));
}

TEST(ImputationSampler, LeavesTheFinalDrawsInsideTheSamplingRange) {
    const auto input = loadReferenceTrial("toxicity-n60");
    const auto data = runFresh(input);
    for (const double hazard : data->hazard) {
        EXPECT_GE(hazard, 0.001);
        EXPECT_LE(hazard, 100.0);
        EXPECT_NE(hazard, 1.0);
    }
}

TEST(ImputationSampler, RunsWithFreshStatesAreIdentical) {
    const TrialInput input{EventType::Efficacy,
                           0.35,
                           56.0,
                           {eventAt(8.0), pendingFor(3.0), pendingFor(40.0), eventAt(50.0),
                            completeWithoutEvent(56.0), pendingFor(21.0)}};
    const auto first = runFresh(input);
    const auto second = runFresh(input);
    EXPECT_EQ(bitsOf(first->posteriorResult), bitsOf(second->posteriorResult));
    for (int j = 0; j < intervalCount; ++j) {
        EXPECT_EQ(bitsOf(first->hazard[j]), bitsOf(second->hazard[j]));
    }
}

TEST(ImputationSampler, HandlesAFullRecordOf500Patients) {
    TrialInput input{EventType::Toxicity, 0.3, 90.0, {}};
    for (int i = 0; i < maxPatients; ++i) {
        switch (i % 4) {
            case 0:
                input.patients.push_back(eventAt(1.0 + (i % 89)));
                break;
            case 1:
                input.patients.push_back(completeWithoutEvent(90.0));
                break;
            default:
                input.patients.push_back(pendingFor(0.5 + (i % 90)));
                break;
        }
    }
    const auto data = runFresh(input);
    EXPECT_GT(data->posteriorResult, 0.0);
    EXPECT_LT(data->posteriorResult, 1.0);
}

}  // namespace
}  // namespace quillmere::testing
