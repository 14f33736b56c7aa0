#pragma once

// What an interim analysis report is made of, computed from a trial
// directory: the rule and the patients as quillmere reads them, quillmere's
// own decision, how firm it is under independent streams, the decision
// under other hazard models and the checksums of the files it came from.
// The page itself is written by a front end.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "analysis/analysis.h"
#include "design/operating_characteristics.h"
#include "design/stability.h"

namespace quillmere {

// A hazard model other than quillmere's, for the sensitivity analysis.
struct HazardOption {
    double priorShape = 0.0;
    HazardRange range = HazardRange::Unit;
};

// The proper prior every report shows: shape 1 under the window range.
inline constexpr HazardOption properHazardPrior{1.0, HazardRange::Window};

// "SHAPE:RANGE" items separated by commas (e.g. "0.5:unit,2:window"); the
// problem in words when the text is not such a list.
struct HazardOptionList {
    std::vector<HazardOption> options;
    std::string problem;
};
HazardOptionList hazardOptionsNamed(const std::string& text);
// "SHAPE:RANGE" as the list takes it.
std::string hazardOptionName(const HazardOption& option);

struct InterimRequest {
    std::filesystem::path directory;
    int answer = 1;  // quillmere's event-type answer
    StabilityPlan plan;
    std::vector<HazardOption> sensitivity;  // shown after properHazardPrior
};

// The data file's facts the committee reads first.
struct TrialFacts {
    int patients = 0;
    int events = 0;
    int completeNonEvents = 0;  // followed for the whole window without an event
    int pending = 0;            // still inside the window without an event
    std::string latestId;       // the latest enrolled: the shortest follow-up
    double latestFollowUp = 0.0;
    double longestFollowUp = 0.0;
};
TrialFacts trialFacts(const AnalysisInput& input);

struct SensitivityAnalysis {
    HazardOption option;
    AnalysisResult result;  // from quillmere's fixed streams, under the option
};

struct FileChecksum {
    std::string name;  // as it lies in the trial directory
    std::string sha256;
};

struct InterimReport {
    InterimRequest request;
    AnalysisInput input;
    TrialFacts facts;
    StabilityStudy study;  // study.fixed is quillmere's decision, bit for bit
    StabilitySummary summary;
    ProportionInterval differingInterval;  // 95% Wilson interval of the share advising otherwise
    std::vector<SensitivityAnalysis> sensitivity;
    FileChecksum configuration;
    FileChecksum data;
};

using InterimOutcome = Outcome<InterimReport, AnalysisError>;

// Reads the directory as quillmere does (its messages and exit statuses on
// failure; summary.txt neither read nor written), then runs the stability
// study and the sensitivity analyses. Nothing when a stop was requested.
std::optional<InterimOutcome> makeInterimReport(const InterimRequest& request,
                                                const ProgressCallback& progress,
                                                const StopRequest* stop = nullptr);

// quillmere's result line and comparison sentence in summary.txt, number
// formatting included.
std::string quillmereResultLine(const MonitoringRule& rule, double reportedProbability);
std::string quillmereComparison(const MonitoringRule& rule, bool terminate);

}  // namespace quillmere
