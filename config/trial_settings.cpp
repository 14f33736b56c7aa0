#include "config/trial_settings.h"

#include <array>
#include <cmath>
#include <cstdlib>
#include <locale>
#include <sstream>

#include "numeric/number_text.h"

namespace quillmere {

namespace {

constexpr int requiredEntryCount = 5;

constexpr std::array<const char*, 3> acceptedDataFileNames = {
    "DATA_TOXICITY.TXT", "DATA_EFFICACY.TXT", "DATA_DISEASEPROGRESSION.TXT"};

bool isDataFileName(const std::string& text) {
    for (const char* candidate : acceptedDataFileNames) {
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

// The shortest text that reads back as the same number, so that a value
// just outside a computation limit never shows as the limit itself (the
// default form would show 0.99999999 as 1).
std::string exactNumberText(double number) {
    return shortestText(number);
}

void reportMissingKey(std::ostream& sink, const std::string& key) {
    sink << "Failure to find key in file (" << key << ")." << std::endl;
}

// A value such as nan, inf or 1e999 does not convert and is reported as a
// missing key; this line says what is really wrong with it.
void reportNonFiniteValue(ConfigFileReader& reader, std::ostream& sink, const std::string& key,
                          const std::string& label) {
    std::string text;
    if (!reader.getValue(text, key) || text.empty()) {
        return;
    }
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (end == text.c_str() + text.size() && !std::isfinite(number)) {
        sink << "The " << label << " was set to (" << text
             << "). This value is not a finite number." << std::endl;
    }
}

// Limits within which the computation stays sound. They narrow only what
// the open-interval and positivity checks admit, and each comes with its own
// message after the checks for the same key.
//
// Rate bound φ. The sampler hands the bound to the incomplete beta function
// in single precision: φ itself for toxicity and efficacy, 1 − φ for disease
// progression. A float rounds 1 − ε to 1 for every ε ≤ 2^-25 (about 3e-8), so
// a bound closer than that to 0 or 1 reaches the beta function as exactly 0 or
// 1 and the posterior probability comes out as 0 or 1 whatever the data. In
// double precision 1 − φ rounds to 1 already for φ ≤ 2^-54, making the prior
// hazard lambda0 = −ln(1 − φ)/W zero: the first hazard's prior mean is then 0
// and its log-density NaN. Hence φ ∈ [1e-7, 0.9999999], the round limits
// inside (2^-25, 1 − 2^-25); there −ln(1 − φ) and −ln(φ) lie in
// [1e-7, 16.2].
constexpr double minRateBound = 1e-7;
constexpr double maxRateBound = 0.9999999;
constexpr const char* rateBoundLimitsText = "[1e-07, 0.9999999]";
//
// Evaluation window W. The interval bounds are W·k/6 and lambda0 is c/W with
// c ∈ [1e-7, 16.2] (above). From W = 1e-300 on, W/6 is a normal double, so
// the six bounds keep full precision and increase, and c/W ≤ 1.7e301 stays
// finite. At the other end, each hazard is drawn from [0.001, 100], so a
// pending patient followed for t has a cumulative hazard of at least 0.001·t
// and a survival exp(−0.001·t) that is exactly 0 beyond t ≈ 745000; the
// imputation probability (S_i − S_W)/S_i is then 0/0 and the patient can never
// be imputed an event. W ≤ 700000 keeps 0.001·W ≤ 700, inside the normal
// range of exp (−708), and also keeps every bound W·k and the window's
// cumulative hazard 100·W far from overflow (the sampler's candidate search
// does not end on infinite bounds).
constexpr double minEvaluationWindow = 1e-300;
constexpr double maxEvaluationWindow = 700000;
constexpr const char* evaluationWindowLimitsText = "[1e-300, 700000]";

void checkTrialType(ConfigFileReader& reader, std::ostream& sink) {
    const std::string key = "TrialType";
    std::string value;
    if (!reader.getValue(value, key)) {
        reportMissingKey(sink, key);
    }
    if (const std::optional<std::string> problem = trialTypeProblem(value)) {
        sink << *problem << std::endl;
    }
}

std::optional<std::string> openUnitIntervalProblem(double value, const std::string& label) {
    if (value >= 1 || value <= 0) {
        return "The " + label + " was set to (" + numberText(value) +
               "). This value must lay within the open interval (0,1).";
    }
    return std::nullopt;
}

std::optional<std::string> positiveWindowProblem(double value) {
    if (value <= 0) {
        return "The MaxEvaluationWindow was set to (" + numberText(value) +
               "). This value must be greater than zero.";
    }
    return evaluationWindowLimitProblem(value);
}

// A value that could not be read gets no range message of its own: the
// missing-key line already says what is wrong. Returns the value when it was
// read and lies inside (0,1).
std::optional<double> checkOpenUnitInterval(ConfigFileReader& reader, std::ostream& sink,
                                            const std::string& key, const std::string& label) {
    double value = 0.0;
    if (!reader.getValue(value, key)) {
        reportMissingKey(sink, key);
        reportNonFiniteValue(reader, sink, key, label);
        return std::nullopt;
    }
    if (const std::optional<std::string> problem = openUnitIntervalProblem(value, label)) {
        sink << *problem << std::endl;
        return std::nullopt;
    }
    return value;
}

void checkRateBound(ConfigFileReader& reader, std::ostream& sink) {
    const std::optional<double> value =
        checkOpenUnitInterval(reader, sink, "RateBound", "Rate Bound");
    if (const std::optional<std::string> problem =
            value ? rateBoundLimitProblem(*value) : std::nullopt) {
        sink << *problem << std::endl;
    }
}

void checkEvaluationWindow(ConfigFileReader& reader, std::ostream& sink) {
    const std::string key = "MaxEvaluationWindow";
    double value = 0.0;
    if (!reader.getValue(value, key)) {
        reportMissingKey(sink, key);
        reportNonFiniteValue(reader, sink, key, key);
        return;
    }
    if (const std::optional<std::string> problem = positiveWindowProblem(value)) {
        sink << *problem << std::endl;
    }
}

void checkDataFileName(ConfigFileReader& reader, std::ostream& sink) {
    const std::string key = "InputDataFileName";
    std::string value;
    if (!reader.getValue(value, key)) {
        reportMissingKey(sink, key);
    }
    const std::string upper = upperCased(value);
    if (!isDataFileName(upper)) {
        sink << "Filename provided (" << upper << ") is not appropriate. " << std::endl
             << "Limit inputs to data_toxicity.txt, data_efficacy.txt, or "
                "data_diseaseProgression.txt"
             << std::endl;
    }
}

// The line for a value that is NaN or infinite, given directly rather than
// read from a file.
std::optional<std::string> nonFiniteProblem(double value, const std::string& label) {
    if (std::isfinite(value)) {
        return std::nullopt;
    }
    return "The " + label + " was set to (" + numberText(value) +
           "). This value is not a finite number.";
}

}  // namespace

std::string ruleValueProblems(double rateBound, double cutoffProbability, double window) {
    std::ostringstream messages;
    const auto add = [&messages](const std::optional<std::string>& problem) {
        if (problem) {
            messages << *problem << std::endl;
        }
        return !problem;
    };
    if (add(nonFiniteProblem(rateBound, "Rate Bound")) &&
        add(openUnitIntervalProblem(rateBound, "Rate Bound"))) {
        add(rateBoundLimitProblem(rateBound));
    }
    if (add(nonFiniteProblem(cutoffProbability, "Cutoff Probability"))) {
        add(openUnitIntervalProblem(cutoffProbability, "Cutoff Probability"));
    }
    if (add(nonFiniteProblem(window, "MaxEvaluationWindow"))) {
        add(positiveWindowProblem(window));
    }
    return messages.str();
}

std::optional<std::string> rateBoundLimitProblem(double rateBound) {
    if (rateBound >= minRateBound && rateBound <= maxRateBound) {
        return std::nullopt;
    }
    return "The Rate Bound was set to (" + exactNumberText(rateBound) +
           "). This value is too close to 0 or 1 for the computation; it must lie within " +
           rateBoundLimitsText + ".";
}

std::optional<std::string> evaluationWindowLimitProblem(double window) {
    if (window >= minEvaluationWindow && window <= maxEvaluationWindow) {
        return std::nullopt;
    }
    return "The MaxEvaluationWindow was set to (" + exactNumberText(window) + "). This value is " +
           (window < minEvaluationWindow ? "too small" : "too large") +
           " for the computation; it must lie within " + evaluationWindowLimitsText + ".";
}

std::optional<std::string> configurationFileForAnswer(int answer) {
    static constexpr std::array<const char*, 3> names = {"TrialConfig_Toxicity.config",
                                                         "TrialConfig_Efficacy.config",
                                                         "TrialConfig_DiseaseProgression.config"};
    if (answer < 1 || answer > 3) {
        return std::nullopt;
    }
    return names[static_cast<std::size_t>(answer - 1)];
}

std::string upperCased(std::string text) {
    for (char& c : text) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return text;
}

std::optional<std::string> trialTypeProblem(const std::string& trialType) {
    if (eventTypeNamed(trialType)) {
        return std::nullopt;
    }
    return "Type of event provided (" + upperCased(trialType) +
           ") is not appropriate. Limit inputs to Toxicity, Efficacy, or DiseaseProgression";
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
    checkRateBound(reader, messages);
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
