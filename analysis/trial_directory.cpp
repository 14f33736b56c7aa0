// A trial directory read as the console program reads it when run there.
#include <cstdio>
#include <memory>
#include <sstream>

#include "analysis/analysis.h"
#include "config/config.h"
#include "datafile/open_file.h"
#include "datafile/patient_data_reader.h"
#include "trial/trial_record.h"

namespace quillmere {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using DataFile = std::unique_ptr<std::FILE, FileCloser>;

AnalysisError failure(AnalysisErrorKind kind, int exitStatus, std::string text) {
    return {kind, exitStatus, 0, std::move(text), ConsoleStream::Output};
}

// A configuration or label failure, shown as its block and a line end.
AnalysisError configurationFailure(const ConfigurationFailure& failed) {
    return failure(AnalysisErrorKind::InvalidSettings, exitConfigurationFailure,
                   failed.text() + "\n");
}

std::vector<PatientObservation> observationsOf(const TrialData& data) {
    std::vector<PatientObservation> patients(static_cast<std::size_t>(data.patientCount));
    for (int i = 0; i < data.patientCount; ++i) {
        PatientObservation& patient = patients[static_cast<std::size_t>(i)];
        patient.id = data.patientId[i].data();
        patient.eventIndicator = data.responseIndicator[i];
        patient.eventTime = data.timeToEvent[i];
        patient.followUp = data.followUpTime[i];
    }
    return patients;
}

// The data file the configuration names, read with every check.
InputOutcome readDataFile(const std::filesystem::path& directory, const TrialSettings& settings) {
    AnalysisInput input;
    input.rule = {settings.eventType, settings.rateBound, settings.cutoffProbability,
                  settings.maxEvaluationWindow};
    DataFile file(openForReading(directory / settings.dataFileName));
    if (!file) {
        return failure(AnalysisErrorKind::InvalidData, exitInputFailure,
                       "The data file does not exist!\n");
    }
    const auto data = std::make_unique<TrialData>();
    data->maxEvaluationWindow = settings.maxEvaluationWindow;
    std::ostringstream messages;
    if (!readPatientData(file.get(), settings.dataFileName, *data, settings.eventType, messages)) {
        return failure(AnalysisErrorKind::InvalidData, exitInputFailure, messages.str());
    }
    input.patients = observationsOf(*data);
    return input;
}

}  // namespace

InputOutcome readTrialDirectory(const std::filesystem::path& directory, int answer) {
    TrialDirectoryFiles ignored;
    return readTrialDirectory(directory, answer, ignored);
}

InputOutcome readTrialDirectory(const std::filesystem::path& directory, int answer,
                                TrialDirectoryFiles& files) {
    const std::optional<std::string> configFile = configurationFileForAnswer(answer);
    if (!configFile) {
        return failure(
            AnalysisErrorKind::InvalidSettings, exitNoAnswer,
            "The event-type answer must be 1, 2 or 3 (it was " + std::to_string(answer) + ").\n");
    }
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(directory, error);
    try {
        files.configuration = directory / *configFile;
        ConfigFileReader reader(*configFile);
        reader.loadTrialConfigurationIn(error ? directory : absolute);
        const TrialSettings settings = readTrialSettings(reader);
        files.data = directory / settings.dataFileName;
        return readDataFile(absolute, settings);
    } catch (const ConfigurationFailure& failed) {
        return configurationFailure(failed);
    }
}

}  // namespace quillmere
