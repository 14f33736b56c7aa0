#include "app/input_echo.h"

#include <ctime>
#include <string>

#include "app/console.h"
#include "app/process_state.h"

namespace quillmere {

namespace {

const std::string asteriskRule(84, '*');

const char* eventRowLabel(EventType eventType) {
    switch (eventType) {
        case EventType::Toxicity:
            return "Toxicity            ";
        case EventType::DiseaseProgression:
            return "Disease progression ";
        case EventType::Efficacy:
            break;
    }
    return "Efficacy event      ";
}

// One table row: a line end, the 20-character label, every value and a tab.
template <typename ValueOf>
void writeRow(std::ostream& report, const char* label, int count, ValueOf valueOf) {
    lineEnd(report);
    report << label;
    for (int i = 0; i < count; ++i) {
        report << valueOf(i) << '\t';
    }
}

void writeBounds(std::ostream& report, const TrialData& data, double cutoffProbability) {
    const bool toxicity = processState().eventCategory == "T";
    lineEnd(report);
    report << (toxicity ? "Upper bound of toxicity rate= " : "Lower bound of efficacy rate= ")
           << data.rateBound;
    lineEnd(report);
    lineEnd(report);
    report << (toxicity ? "Trial will be terminated if Pr(toxicity rate>"
                        : "Trial will be terminated if Pr(efficacy rate<")
           << data.rateBound << ")>" << cutoffProbability;
    lineEnd(report);
}

}  // namespace

void writeRunHeader(std::ostream& report) {
    lineEnd(report);
    lineEnd(report);
    report << std::string(64, '-');
    lineEnd(report);
    const std::time_t now = std::time(nullptr);
    const char* dateText = std::ctime(&now);
    report << (dateText != nullptr ? dateText : "(date unknown)\n");
    lineEnd(report);
}

void writeInputEcho(std::ostream& report, const TrialData& data, double cutoffProbability) {
    const int n = data.patientCount;
    lineEnd(report);
    report << "Number of patients entered=" << n;
    lineEnd(report);
    lineEnd(report);
    report << "Maximum Follow up time = " << data.maxEvaluationWindow;
    lineEnd(report);
    writeBounds(report, data, cutoffProbability);
    lineEnd(report);
    report << "Please check the following data whether they are the same as you entered.";
    lineEnd(report);
    lineEnd(report);
    report << asteriskRule;
    writeRow(report, "patient ID          ", n, [&](int i) { return data.patientId[i].data(); });
    writeRow(report, eventRowLabel(runEventType()), n,
             [&](int i) { return data.responseIndicator[i]; });
    writeRow(report, "Time to event       ", n, [&](int i) { return data.timeToEvent[i]; });
    writeRow(report, "Follow-up time      ", n, [&](int i) { return data.followUpTime[i]; });
    lineEnd(report);
    report << asteriskRule;
}

}  // namespace quillmere
