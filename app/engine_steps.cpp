// The console run's engine steps: each makes sure the report file can be
// opened, on a stream of its own, before the engine works on the record.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string_view>

#include "analysis/analysis.h"
#include "analysis/exit_status.h"
#include "app/analysis_failure.h"
#include "app/console.h"
#include "app/process_state.h"
#include "engine/engine.h"

namespace quillmere {

namespace {

void requireReportFile(std::ofstream& report) {
    report.open(reportPath(), std::ios::out | std::ios::app | std::ios::binary);
    if (!report) {
        std::cout << " can not open summary.txt";
        lineEnd(std::cout);
        std::exit(exitReportOrSampler);
    }
}

}  // namespace

int TrialData::computeExposures() {
    std::ofstream report;
    requireReportFile(report);
    computeExposureTable(*this);
    return 0;
}

int TrialData::runImputationSampler() {
    std::ofstream report;
    requireReportFile(report);
    ProcessState& state = processState();
    const MonitoringRule rule{runEventType(), rateBound, state.cutoffProbability,
                              maxEvaluationWindow};
    AnalysisOutcome outcome = analyseFilledRecord(*this, rule, state.engine);
    if (!outcome) {
        for (const std::string_view note : state.engine.numericNotes) {
            std::cout << note << std::endl;
        }
        std::exit(showAnalysisFailure(outcome.error(), std::cout, std::cerr));
    }
    for (const std::string& note : outcome.value().notes) {
        std::cout << note << std::endl;
    }
    state.analysis = std::move(outcome.value());
    return 0;
}

}  // namespace quillmere
