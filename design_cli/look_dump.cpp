#include "design_cli/look_dump.h"

#include <sstream>

#include "design/text_format.h"

namespace quillmere {

ConsoleFileNames consoleFileNames(EventType eventType) {
    switch (eventType) {
        case EventType::Toxicity:
            return {'1', "TrialConfig_Toxicity.config", "Toxicity", "data_toxicity.txt",
                    "TOXICITY_EVENT"};
        case EventType::Efficacy:
            return {'2', "TrialConfig_Efficacy.config", "Efficacy", "data_efficacy.txt",
                    "EFFICACY_EVENT"};
        case EventType::DiseaseProgression:
            break;
    }
    return {'3', "TrialConfig_DiseaseProgression.config", "DiseaseProgression",
            "data_diseaseProgression.txt", "DISEASEPROGRESSION_EVENT"};
}

std::vector<ResultFile> lookFiles(const AnalysisSettings& settings,
                                  const std::vector<PatientLine>& patients) {
    const ConsoleFileNames names = consoleFileNames(settings.eventType);
    const auto writeConfig = [&settings, names](std::ostream& config) {
        config << "TrialType = " << names.trialType << '\n'
               << "RateBound = " << roundTripText(settings.rateBound) << '\n'
               << "CutoffProbability = " << roundTripText(settings.cutoffProbability) << '\n'
               << "MaxEvaluationWindow = " << roundTripText(settings.maxEvaluationWindow) << '\n'
               << "InputDataFileName = " << names.dataFile << '\n';
    };
    const auto writeData = [&patients, names](std::ostream& data) {
        data << "PatientData " << names.eventLabel << " TimeToEvent FollowUpTime\n";
        for (std::size_t i = 0; i < patients.size(); ++i) {
            const PatientLine& line = patients[i];
            data << formatted("P%03zu %d ", i + 1, line.responseIndicator)
                 << roundTripText(line.timeToEvent) << ' ' << roundTripText(line.followUpTime)
                 << '\n';
        }
    };
    return {{names.configFile, writeConfig}, {names.dataFile, writeData}};
}

std::string consoleResultLine(EventType eventType, double rateBound, double probability) {
    std::ostringstream line;
    line << (eventType == EventType::Toxicity ? "RESULTS: Pr(Toxicity rate >"
                                              : "RESULTS: Pr(Efficacy rate <")
         << rateBound << ")=" << probability;
    return line.str();
}

}  // namespace quillmere
