#pragma once

#include <optional>
#include <string>

#include "analysis/analysis_types.h"
#include "engine/engine_state.h"
#include "trial/event_type.h"

namespace quillmere {

// Everything the console program keeps process-wide, in one place: the report
// path prefix, the texts that encode the run's event type, the engine state
// (current hazard index, prior shapes, both random sources, which start from
// their fixed states and are never reseeded), the configured cut-off and what
// the analysis found.
struct ProcessState {
    std::string reportPathPrefix = "./";
    std::string eventCategory;  // "T" toxicity, "E" efficacy or disease progression
    std::string eventKind;      // "", "Efficacy" or "DiseasePro"
    EngineState engine;
    double cutoffProbability = 0.0;
    std::optional<AnalysisResult> analysis;
};

ProcessState& processState();

// The report file: the prefix followed by "summary.txt".
std::string reportPath();

// The event type that eventCategory and eventKind encode.
EventType runEventType();

}  // namespace quillmere
