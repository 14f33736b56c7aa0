// Trial directories written for quillmere, and numbers in their shortest
// exact text.
#include <filesystem>
#include <fstream>

#include "design/text_format.h"
#include "glue_conversions.h"

using namespace quillmere;

namespace {

// The names quillmere expects for an event type.
struct TrialFileNames {
    int answer = 1;
    std::string configFile;
    std::string dataFile;
    std::string eventLabel;
};

TrialFileNames trialFileNames(EventType eventType) {
    switch (eventType) {
        case EventType::Toxicity:
            return {1, "TrialConfig_Toxicity.config", "data_toxicity.txt", "TOXICITY_EVENT"};
        case EventType::Efficacy:
            return {2, "TrialConfig_Efficacy.config", "data_efficacy.txt", "EFFICACY_EVENT"};
        case EventType::DiseaseProgression:
            break;
    }
    return {3, "TrialConfig_DiseaseProgression.config", "data_diseaseProgression.txt",
            "DISEASEPROGRESSION_EVENT"};
}

bool writeFile(const std::filesystem::path& path, const std::string& content) {
    std::ofstream file(path, std::ios::binary);
    file << content;
    file.close();
    return static_cast<bool>(file);
}

}  // namespace

// Writes the configuration and the data file quillmere reads, every number in
// the shortest text that reads back as the same double. Returns the
// event-type answer to give quillmere there.
// [[Rcpp::export]]
Rcpp::List write_trial_cpp(Rcpp::List rule, Rcpp::List patients, std::string directory) {
    const MonitoringRule converted = glue::ruleFromList(rule);
    const std::vector<PatientObservation> observations = glue::patientsFromFrame(patients);
    if (std::optional<AnalysisError> problem = checkAnalysisInput({converted, observations})) {
        return glue::analysisError(*problem);
    }
    const TrialFileNames names = trialFileNames(converted.eventType);
    const std::string config =
        "TrialType = " + glue::eventTypeText(converted.eventType) +
        "\nRateBound = " + roundTripText(converted.rateBound) +
        "\nCutoffProbability = " + roundTripText(converted.cutoffProbability) +
        "\nMaxEvaluationWindow = " + roundTripText(converted.maxEvaluationWindow) +
        "\nInputDataFileName = " + names.dataFile + "\n";
    std::string data = "PatientData " + names.eventLabel + " TimeToEvent FollowUpTime\n";
    for (const PatientObservation& patient : observations) {
        data += patient.id + ' ' + std::to_string(patient.eventIndicator) + ' ' +
                roundTripText(patient.eventTime) + ' ' + roundTripText(patient.followUp) + '\n';
    }
    const std::filesystem::path root(directory);
    std::error_code error;
    std::filesystem::create_directories(root, error);
    for (const auto& [name, content] :
         {std::pair{names.configFile, config}, std::pair{names.dataFile, data}}) {
        if (!writeFile(root / name, content)) {
            return glue::inputError("The file (" + (root / name).string() +
                                    ") could not be written.");
        }
    }
    return glue::success(Rcpp::wrap(names.answer));
}

// [[Rcpp::export]]
Rcpp::CharacterVector shortest_text_cpp(Rcpp::NumericVector values) {
    Rcpp::CharacterVector texts(values.size());
    for (R_xlen_t i = 0; i < values.size(); ++i) {
        texts[i] = roundTripText(values[i]);
    }
    return texts;
}
