#pragma once

// The analysis of one interim look, for every front end: the patients and the
// monitoring rule in, the result or an error value out. Nothing here ends the
// process or writes to a stream. Each analysis owns its record and engine
// state, so any number may run in one process and on several threads.
#include <filesystem>
#include <optional>
#include <string>

#include "analysis/analysis_types.h"
#include "analysis/exit_status.h"
#include "analysis/outcome.h"
#include "engine/engine_state.h"

namespace quillmere {

using AnalysisOutcome = Outcome<AnalysisResult, AnalysisError>;
using InputOutcome = Outcome<AnalysisInput, AnalysisError>;

// The console program's checks of the rule and of every patient, in its
// order; the first failure, or empty.
std::optional<AnalysisError> checkAnalysisInput(const AnalysisInput& input);

// Checks the input and runs the analysis from the program's fixed random
// starting states, exactly as a fresh run of quillmere on the same data.
AnalysisOutcome analyse(const AnalysisInput& input);

// Fills a record the way the console program does after reading a data file
// with these (already checked) patients. Under the window range the record
// measures time in windows (every time divided by W, the window 1), so that
// the range and the sampler's starting values mean the same in every unit.
void fillTrialRecord(TrialData& data, const AnalysisInput& input);

// The engine's part on a record filled for the rule, with the caller's engine
// state (the console program keeps one process-wide): the rule's hazard
// model, exposures, the prior-only check, the imputation and the decision.
AnalysisOutcome analyseFilledRecord(TrialData& data, const MonitoringRule& rule,
                                    EngineState& state);

// The error for a sampler code (> 0), as the console program reports it.
AnalysisError samplerFailure(int code);

// Sets the engine state's hazard prior and sampling range for the rule, in
// the time unit of a record filled for it.
void configureHazardModel(EngineState& state, const MonitoringRule& rule);

// Whether the rule's hazard options are the console program's, so that
// quillmere on the same data computes exactly what the analysis does.
bool hasConsoleHazardModel(const MonitoringRule& rule);

// The range hazards are drawn from under the rule, per time unit of the data.
struct HazardBounds {
    double lower = 0.0;
    double upper = 0.0;
};
HazardBounds hazardBounds(const MonitoringRule& rule);

// A message when a hazard prior shape is not one the analysis takes (not a
// number, negative or above maxHazardPriorShape); empty otherwise.
std::optional<std::string> hazardPriorShapeProblem(double shape);

// "unit" or "window", and back in any letter case.
std::string hazardRangeName(HazardRange range);
std::optional<HazardRange> hazardRangeNamed(const std::string& name);

// The warning the console program gives when the data say nothing from
// `uninformedFrom` on.
std::string priorOnlyWarning(double uninformedFrom, double maxEvaluationWindow);

// Every field of the result, one line each ("name value", numbers with 17
// significant digits, so that equal texts mean equal bits): what the R
// package's load-time check compares with its stored reference.
std::string analysisResultText(const AnalysisResult& result);

// Reads a trial directory as quillmere does when it is run there with this
// event-type answer (1 toxicity, 2 efficacy, 3 disease progression): the
// configuration, its checks, the data file it names (relative to the
// directory), the event label and every record. Messages are the console
// program's texts; summary.txt is neither read nor written.
InputOutcome readTrialDirectory(const std::filesystem::path& directory, int answer);

// The files a read of a trial directory opens: the configuration, and the
// data file as the configuration names it (empty until it is known).
struct TrialDirectoryFiles {
    std::filesystem::path configuration;
    std::filesystem::path data;
};
InputOutcome readTrialDirectory(const std::filesystem::path& directory, int answer,
                                TrialDirectoryFiles& files);

}  // namespace quillmere
