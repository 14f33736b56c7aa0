// The console run's engine steps: each makes sure the report file can be
// opened, on a stream of its own, before the engine works on the record.
#include <cstdlib>
#include <fstream>
#include <iostream>

#include "app/console.h"
#include "app/exit_status.h"
#include "app/process_state.h"
#include "engine/engine.h"
#include "numeric/numeric.h"

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

void showNumericNotes(NumericNotes& notes) {
    for (const char* note : notes) {
        std::cout << note << std::endl;
    }
    notes.clear();
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
    showNumericNotes(state.engine.numericNotes);
    if (const EnvelopeCheck check = envelopeCheckOfCode(code); check != EnvelopeCheck::Passed) {
        const EnvelopeCheckReport failed = envelopeCheckReport(check);
        std::cerr << "Sampling envelope check failed (exit status " << failed.exitStatus
                  << "): " << failed.finding << std::endl;
        std::exit(failed.exitStatus);
    }
    if (code > 0) {
        std::cout << "error code (beta0): " << code;
        lineEnd(std::cout);
        std::exit(exitReportOrSampler);
    }
    return 0;
}

}  // namespace quillmere
