#include "app/decision_report.h"

#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "app/console.h"
#include "trial/decision.h"
#include "app/process_state.h"
#include "engine/engine.h"

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

// The warning for a window part that no patient has been followed into.
std::optional<std::string> priorOnlyWarning(const TrialData& data) {
    const std::optional<int> interval = firstUninformedInterval(data);
    if (!interval) {
        return std::nullopt;
    }
    std::ostringstream text;
    text << "WARNING: no patient has been followed beyond time "
         << data.intervalBound[static_cast<std::size_t>(*interval)] << " of the evaluation window ("
         << data.maxEvaluationWindow
         << "). From that time on the data say nothing: the outcomes imputed for pending "
            "patients, and so the probability, rest on the prior there.";
    return text.str();
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

void reportDecision(std::ostream& report, const TrialData& data, double cutoffProbability) {
    const EventType eventType = runEventType();
    const double p = reportedProbability(eventType, data.posteriorResult);
    writeResultLine(report, eventType, data.rateBound, p);
    const bool terminate = advisesTermination(p, cutoffProbability);
    if (terminate) {
        writeTermination(report, eventType, cutoffProbability);
    } else {
        writeContinuation(report, cutoffProbability);
    }
    const std::optional<std::string> warning = priorOnlyWarning(data);
    if (warning) {
        lineEnd(report);
        lineEnd(report);
        report << *warning;
        lineEnd(std::cout);
        lineEnd(std::cout);
        std::cout << *warning;
    }
    printAdvice(terminate);
}

}  // namespace quillmere
