#include "engine/engine_test_support.h"

#include <cmath>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>

namespace quillmere::testing {

namespace {

double observedTime(const PatientEntry& patient, double window) {
    if (patient.responseIndicator == 1) {
        return patient.timeToEvent;
    }
    return patient.followUpTime <= window ? patient.followUpTime : window;
}

// The constant hazard under which the event probability within the window is
// the bound (for progression: under which staying free of it is).
double priorHazard(EventType eventType, double rateBound, double window) {
    const double survival = eventType == EventType::DiseaseProgression ? rateBound : 1 - rateBound;
    return -(std::log(survival) / window);
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return "";
    }
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::map<std::string, std::string> readSettings(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::map<std::string, std::string> settings;
    std::string line;
    while (std::getline(in, line)) {
        const auto equals = line.find('=');
        if (equals != std::string::npos) {
            settings[trimmed(line.substr(0, equals))] = trimmed(line.substr(equals + 1));
        }
    }
    return settings;
}

EventType eventTypeNamed(const std::string& name) {
    if (name == "Toxicity") {
        return EventType::Toxicity;
    }
    if (name == "Efficacy") {
        return EventType::Efficacy;
    }
    if (name == "DiseaseProgression") {
        return EventType::DiseaseProgression;
    }
    throw std::runtime_error("unknown trial type " + name);
}

std::filesystem::path onlyConfigFile(const std::filesystem::path& directory) {
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.path().extension() == ".config") {
            return entry.path();
        }
    }
    throw std::runtime_error("no configuration file in " + directory.string());
}

std::vector<PatientEntry> readPatients(const std::filesystem::path& file) {
    std::ifstream in(file);
    if (!in) {
        throw std::runtime_error("cannot read " + file.string());
    }
    std::string headerWord;
    for (int word = 0; word < 4; ++word) {
        in >> headerWord;
    }
    std::vector<PatientEntry> patients;
    PatientEntry patient;
    while (in >> patient.id >> patient.responseIndicator >> patient.timeToEvent >>
           patient.followUpTime) {
        patients.push_back(patient);
    }
    return patients;
}

}  // namespace

std::unique_ptr<TrialData> preparedRecord(const TrialInput& input) {
    auto data = std::make_unique<TrialData>();
    const double window = input.maxEvaluationWindow;
    data->maxEvaluationWindow = window;
    data->rateBound = input.rateBound;
    data->lambda0 = priorHazard(input.eventType, input.rateBound, window);
    data->patientCount = static_cast<int>(input.patients.size());
    for (int i = 0; i < data->patientCount; ++i) {
        const PatientEntry& patient = input.patients[i];
        const auto idLength = std::min<std::size_t>(patient.id.size(), patientIdSize - 1);
        patient.id.copy(data->patientId[i].data(), idLength);
        data->responseIndicator[i] = patient.responseIndicator;
        data->timeToEvent[i] = patient.timeToEvent;
        data->followUpTime[i] = patient.followUpTime;
        data->observedTime[i] = observedTime(patient, window);
    }
    for (int k = 0; k < intervalCount; ++k) {
        data->intervalBound[k] = window * k / 6.0;
    }
    data->intervalBound[intervalCount] = window;
    return data;
}

std::unique_ptr<TrialData> recordWithExposures(const TrialInput& input) {
    auto data = preparedRecord(input);
    computeExposureTable(*data);
    return data;
}

TrialInput loadTrialDirectory(const std::filesystem::path& directory) {
    const auto settings = readSettings(onlyConfigFile(directory));
    TrialInput input;
    input.eventType = eventTypeNamed(settings.at("TrialType"));
    input.rateBound = std::stod(settings.at("RateBound"));
    input.maxEvaluationWindow = std::stod(settings.at("MaxEvaluationWindow"));
    input.patients = readPatients(directory / settings.at("InputDataFileName"));
    return input;
}

TrialInput loadReferenceTrial(const std::string& name) {
    return loadTrialDirectory(std::filesystem::path(QUILLMERE_TEST_DATA_DIR) / "reference-runs" /
                              name);
}

std::unique_ptr<TrialData> runFresh(const TrialInput& input) {
    auto data = recordWithExposures(input);
    EngineState state;
    const int code = runGibbsImputation(*data, input.eventType, state);
    if (code != 0) {
        throw std::runtime_error("sampler failed with code " + std::to_string(code));
    }
    return data;
}

double regularisedIncompleteBeta(double x, double a, double b) {
    if (x <= 0.0) {
        return 0.0;
    }
    if (x >= 1.0) {
        return 1.0;
    }
    // The series converges like x^n: fold large x onto 1 - x.
    if (x > 0.5) {
        return 1.0 - regularisedIncompleteBeta(1.0 - x, b, a);
    }
    const double logPrefactor = a * std::log(x) + b * std::log1p(-x) - std::log(a) -
                                (std::lgamma(a) + std::lgamma(b) - std::lgamma(a + b));
    double term = 1.0;
    double sum = 1.0;
    for (int n = 0; n < 100000; ++n) {
        term *= (a + b + n) / (a + 1 + n) * x;
        sum += term;
        if (term < 1e-18 * sum) {
            break;
        }
    }
    return std::exp(logPrefactor) * sum;
}

PatientEntry eventAt(double time) {
    return {"E", 1, time, time};
}

PatientEntry completeWithoutEvent(double window) {
    return {"C", 0, window, window};
}

PatientEntry pendingFor(double followUp) {
    return {"P", 0, followUp, followUp};
}

}  // namespace quillmere::testing
