#include "app/decision_report.h"

#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "analysis/analysis.h"
#include "app/console.h"
#include "app/process_state.h"

namespace quillmere {

namespace {

const std::string boxRule(49, '*');

void writeResultLine(std::ostream& report, EventType eventType, double rateBound, double p) {
    lineEnd(report);
    report << (eventType == EventType::Toxicity ? "RESULTS: Pr(Toxicity rate >"
                                                : "RESULTS: Pr(Efficacy rate <")
           << rateBound << ")=" << p;
}

void writeBox(std::ostream& report, const char* headingLine, const char* reasonLine) {
    lineEnd(report);
    report << boxRule;
    lineEnd(report);
    report << headingLine;
    lineEnd(report);
    report << reasonLine;
    lineEnd(report);
    report << boxRule;
}

void writeTermination(std::ostream& report, EventType eventType, double cutoffProbability) {
    lineEnd(report);
    report << "Compared with cut-off " << cutoffProbability
           << ", it is HIGHER than the cut-off, therefore we suggest to TERMINATE the trial.";
    lineEnd(report);
    writeBox(report, "*******             Decision              *******",
             eventType == EventType::Toxicity
                 ? "*******TERMINATE the trial due to safety  *******"
                 : "*******TERMINATE the trial due to futility*******");
}

void writeContinuation(std::ostream& report, double cutoffProbability) {
    lineEnd(report);
    report << "Compared with cut-off " << cutoffProbability
           << ", it is LOWER than the cut-off, therefore we suggest to CONTINUE the trial.";
    lineEnd(report);
    writeBox(report, "*****************        Decision         *******",
             "*****************  CONTINUE the trial     *******");
}

void printAdvice(bool terminate) {
    lineEnd(std::cout);
    lineEnd(std::cout);
    std::cout << (terminate ? "We suggest to TERMINATE the trial. Please check the input data and "
                              "see decision details in summary.txt."
                            : "We suggest to CONTINUE the trial. Please check the input data and "
                              "see decision details in summary.txt.");
    lineEnd(std::cout);
    lineEnd(std::cout);
}

}  // namespace

void reportDecision(std::ostream& report, const TrialData& data, const AnalysisResult& result,
                    double cutoffProbability) {
    const EventType eventType = runEventType();
    writeResultLine(report, eventType, data.rateBound, result.reportedProbability);
    if (result.terminate) {
        writeTermination(report, eventType, cutoffProbability);
    } else {
        writeContinuation(report, cutoffProbability);
    }
    if (result.uninformedFrom) {
        const std::string warning =
            priorOnlyWarning(*result.uninformedFrom, data.maxEvaluationWindow);
        lineEnd(report);
        lineEnd(report);
        report << warning;
        lineEnd(std::cout);
        lineEnd(std::cout);
        std::cout << warning;
    }
    printAdvice(result.terminate);
}

}  // namespace quillmere
