#pragma once

// Analyses of the engine tests' trial inputs through the analysis API.
#include <memory>

#include "analysis/analysis.h"
#include "engine/engine_test_support.h"
#include "numeric/random_sources.h"

namespace quillmere::testing {

inline AnalysisInput analysisInputOf(const TrialInput& trial, double cutoffProbability,
                                     double hazardPriorShape, HazardRange hazardRange) {
    AnalysisInput input;
    input.rule = {trial.eventType,           trial.rateBound,  cutoffProbability,
                  trial.maxEvaluationWindow, hazardPriorShape, hazardRange};
    for (const PatientEntry& patient : trial.patients) {
        input.patients.push_back(
            {patient.id, patient.responseIndicator, patient.timeToEvent, patient.followUpTime});
    }
    return input;
}

// The analysis with the random sources advanced past the first `skip` draws
// of each, so that runs with different skips are independent replicates.
inline AnalysisOutcome analyseWithSkip(const AnalysisInput& input, int skip) {
    const auto data = std::make_unique<TrialData>();
    fillTrialRecord(*data, input);
    EngineState state;
    for (int draw = 0; draw < skip; ++draw) {
        nextUniform(state.uniform);
        openUniform(state.rand15);
    }
    return analyseFilledRecord(*data, input.rule, state);
}

}  // namespace quillmere::testing
