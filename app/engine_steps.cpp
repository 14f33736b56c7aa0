// The console run's engine steps: each makes sure the report file can be
// opened, on a stream of its own, before the engine works on the record.
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "app/console.h"
#include "app/exit_status.h"
#include "app/process_state.h"
#include "engine/engine.h"

namespace quillmere {

namespace {

void requireReportFile(std::ofstream& report) {
    report.open(reportPath(), std::ios::out | std::ios::app);
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
    const int code = runGibbsImputation(*this, runEventType(), state.engine);
    if (code > 0) {
        std::cout << "error code (beta0): " << code;
        lineEnd(std::cout);
        std::exit(exitReportOrSampler);
    }
    return 0;
}

}  // namespace quillmere
