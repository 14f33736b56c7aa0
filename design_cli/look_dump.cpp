#include "design_cli/look_dump.h"

#include <sstream>

#include "design_cli/output_file.h"
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

void writeLookFiles(const std::filesystem::path& directory, const AnalysisSettings& settings,
                    const std::vector<PatientLine>& patients) {
    const ConsoleFileNames names = consoleFileNames(settings.eventType);
    std::filesystem::create_directories(directory);
    const std::filesystem::path configPath = directory / names.configFile;
    std::ofstream config = openOutputFile(configPath);
    config << "TrialType = " << names.trialType << '\n'
           << "RateBound = " << roundTripText(settings.rateBound) << '\n'
           << "CutoffProbability = " << roundTripText(settings.cutoffProbability) << '\n'
           << "MaxEvaluationWindow = " << roundTripText(settings.maxEvaluationWindow) << '\n'
           << "InputDataFileName = " << names.dataFile << '\n';
    closeOutputFile(config, configPath);

    const std::filesystem::path dataPath = directory / names.dataFile;
    std::ofstream data = openOutputFile(dataPath);
    data << "PatientData " << names.eventLabel << " TimeToEvent FollowUpTime\n";
    for (std::size_t i = 0; i < patients.size(); ++i) {
        const PatientLine& line = patients[i];
        data << formatted("P%03zu %d ", i + 1, line.responseIndicator)
             << roundTripText(line.timeToEvent) << ' ' << roundTripText(line.followUpTime) << '\n';
    }
    closeOutputFile(data, dataPath);
}

std::string consoleResultLine(EventType eventType, double rateBound, double probability) {
    std::ostringstream line;
    line << (eventType == EventType::Toxicity ? "RESULTS: Pr(Toxicity rate >"
                                              : "RESULTS: Pr(Efficacy rate <")
         << rateBound << ")=" << probability;
    return line.str();
}

}  // namespace quillmere
