#include "config/trial_settings.h"

#include <array>
#include <locale>
#include <sstream>

namespace quillmere {

namespace {

constexpr int requiredEntryCount = 5;

constexpr std::array<const char*, 3> acceptedTrialTypes = {"TOXICITY", "EFFICACY",
                                                           "DISEASEPROGRESSION"};
constexpr std::array<const char*, 3> acceptedDataFileNames = {
    "DATA_TOXICITY.TXT", "DATA_EFFICACY.TXT", "DATA_DISEASEPROGRESSION.TXT"};

bool isOneOf(const std::string& text, const std::array<const char*, 3>& accepted) {
    for (const char* candidate : accepted) {
        if (text == candidate) {
            return true;
        }
    }
    return false;
}

// Numbers in messages read as the stream writes them by default (six
// significant digits), whatever state the caller's sink is in.
std::string numberText(double number) {
    std::ostringstream text;
    text.imbue(std::locale::classic());
    text << number;
    return text.str();
}

void reportMissingKey(std::ostream& sink, const std::string& key) {
    sink << "Failure to find key in file (" << key << ")." << std::endl;
}

void checkTrialType(ConfigFileReader& reader, std::ostream& sink) {
    const std::string key = "TrialType";
    std::string value;
    if (!reader.getValue(value, key)) {
        reportMissingKey(sink, key);
    }
    const std::string upper = upperCased(value);
    if (!isOneOf(upper, acceptedTrialTypes)) {
        sink << "Type of event provided (" << upper << ") is not appropriate. "
             << "Limit inputs to Toxicity, Efficacy, or DiseaseProgression" << std::endl;
    }
}

// A value that could not be read gets no range message of its own: the
// missing-key line already says what is wrong.
void checkOpenUnitInterval(ConfigFileReader& reader, std::ostream& sink, const std::string& key,
                           const std::string& label) {
    double value = 0.0;
    if (!reader.getValue(value, key)) {
        reportMissingKey(sink, key);
        return;
    }
    if (value >= 1 || value <= 0) {
        sink << "The " << label << " was set to (" << numberText(value)
             << "). This value must lay within the open interval (0,1)." << std::endl;
    }
}

void checkEvaluationWindow(ConfigFileReader& reader, std::ostream& sink) {
    const std::string key = "MaxEvaluationWindow";
    double value = 0.0;
    if (!reader.getValue(value, key)) {
        reportMissingKey(sink, key);
        return;
    }
    if (value <= 0) {
        sink << "The MaxEvaluationWindow was set to (" << numberText(value)
             << "). This value must be greater than zero." << std::endl;
    }
}

void checkDataFileName(ConfigFileReader& reader, std::ostream& sink) {
    const std::string key = "InputDataFileName";
    std::string value;
    if (!reader.getValue(value, key)) {
        reportMissingKey(sink, key);
    }
    const std::string upper = upperCased(value);
    if (!isOneOf(upper, acceptedDataFileNames)) {
        sink << "Filename provided (" << upper << ") is not appropriate. " << std::endl
             << "Limit inputs to data_toxicity.txt, data_efficacy.txt, or "
                "data_diseaseProgression.txt"
             << std::endl;
    }
}

}  // namespace

std::string upperCased(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::optional<EventType> eventTypeNamed(const std::string& trialType) {
    const std::string upper = upperCased(trialType);
    if (upper == "TOXICITY") {
        return EventType::Toxicity;
    }
    if (upper == "EFFICACY") {
        return EventType::Efficacy;
    }
    if (upper == "DISEASEPROGRESSION") {
        return EventType::DiseaseProgression;
    }
    return std::nullopt;
}

bool validateTrialSettings(ConfigFileReader& reader, std::ostream& sink) {
    std::ostringstream messages;
    const int count = static_cast<int>(reader.entryCount());
    if (count != requiredEntryCount) {
        messages << "Number of entries in config file is not appropriate, should have ("
                 << requiredEntryCount << ") entries, but (" << count << ") entries." << std::endl;
    }
    checkTrialType(reader, messages);
    checkOpenUnitInterval(reader, messages, "RateBound", "Rate Bound");
    checkOpenUnitInterval(reader, messages, "CutoffProbability", "Cutoff Probability");
    checkEvaluationWindow(reader, messages);
    checkDataFileName(reader, messages);
    sink << messages.str();
    return messages.str().empty();
}

TrialSettings readTrialSettings(ConfigFileReader& reader) {
    TrialSettings settings;
    std::string trialType;
    const bool complete = reader.getValue(trialType, "TrialType") &&
                          reader.getValue(settings.rateBound, "RateBound") &&
                          reader.getValue(settings.cutoffProbability, "CutoffProbability") &&
                          reader.getValue(settings.maxEvaluationWindow, "MaxEvaluationWindow") &&
                          reader.getValue(settings.dataFileName, "InputDataFileName");
    const std::optional<EventType> eventType = eventTypeNamed(trialType);
    if (!complete || !eventType) {
        throw ConfigurationFailure("The trial settings were read before they were validated.");
    }
    settings.eventType = *eventType;
    return settings;
}

}  // namespace quillmere
