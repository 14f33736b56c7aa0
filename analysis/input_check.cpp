// The console program's checks applied to an input handed over directly.
#include "analysis/analysis.h"
#include "config/trial_settings.h"
#include "datafile/patient_data_reader.h"

namespace quillmere {

namespace {

AnalysisError invalidData(std::string text) {
    return {AnalysisErrorKind::InvalidData, exitInputFailure, 0, std::move(text),
            ConsoleStream::Output};
}

// A record check's message as the data reader shows it.
AnalysisError recordFailure(const std::string& message) {
    return invalidData("\n" + message + "\n");
}

std::optional<AnalysisError> patientProblem(const PatientObservation& patient, int index,
                                            double window) {
    if (const std::optional<std::string> problem =
            patientIdentifierProblem(patient.id, false, index)) {
        return recordFailure(*problem);
    }
    if (const std::optional<std::string> problem = patientRecordProblem(
            patient.id, patient.eventIndicator, patient.eventTime, patient.followUp, window)) {
        return recordFailure(*problem);
    }
    return std::nullopt;
}

// The hazard options, one line each, after the rule values' lines.
std::string hazardOptionProblems(const MonitoringRule& rule) {
    std::string lines;
    if (const std::optional<std::string> problem = hazardPriorShapeProblem(rule.hazardPriorShape)) {
        lines += *problem + "\n";
    }
    if (rule.hazardRange != HazardRange::Unit && rule.hazardRange != HazardRange::Window) {
        lines += "The Hazard Range is neither unit nor window.\n";
    }
    return lines;
}

}  // namespace

std::optional<AnalysisError> checkAnalysisInput(const AnalysisInput& input) {
    const MonitoringRule& rule = input.rule;
    const std::string ruleProblems =
        ruleValueProblems(rule.rateBound, rule.cutoffProbability, rule.maxEvaluationWindow) +
        hazardOptionProblems(rule);
    if (!ruleProblems.empty()) {
        // Shown as the configuration block is: the lines, then a line end.
        return AnalysisError{AnalysisErrorKind::InvalidSettings, exitConfigurationFailure, 0,
                             ruleProblems + "\n", ConsoleStream::Output};
    }
    const int count = static_cast<int>(input.patients.size());
    for (int i = 0; i < count && i < maxPatients; ++i) {
        if (std::optional<AnalysisError> problem =
                patientProblem(input.patients[i], i, rule.maxEvaluationWindow)) {
            return problem;
        }
    }
    if (count > maxPatients) {
        return invalidData(
            "\nThe number of patients entered exceed the limits. Please only enter less or "
            "equal to 500 patients");
    }
    return std::nullopt;
}

}  // namespace quillmere
