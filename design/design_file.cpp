// Reading and validating a design file: every problem is reported, all at
// once, in the order of the keys, with the offending value in parentheses.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <set>
#include <sstream>

#include "analysis/analysis.h"
#include "config/config_file_reader.h"
#include "config/trial_settings.h"
#include "design/design_settings.h"
#include "design/key_value_lines.h"
#include "design/look_schedule.h"
#include "trial/trial_data.h"

namespace quillmere {
namespace {

struct KeyReader {
    const std::map<std::string, KeyValueEntry>& entries;
    std::ostream& messages;
    bool valid = true;

    void fail(const std::string& line) {
        messages << line << '\n';
        valid = false;
    }
};

std::string numberText(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

std::optional<std::string> textValue(KeyReader& in, const std::string& key, bool required) {
    const auto entry = in.entries.find(key);
    if (entry != in.entries.end()) {
        return entry->second.value;
    }
    if (required) {
        in.fail("Failure to find key in file (" + key + ").");
    }
    return std::nullopt;
}

// A number that is the whole text, read in the C locale.
std::optional<double> numberIn(const std::string& text) {
    std::istringstream number(text);
    number.imbue(std::locale::classic());
    double value = 0.0;
    number >> value;
    if (number.fail() || number.peek() != std::char_traits<char>::eof() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> numberValue(KeyReader& in, const std::string& key, bool required) {
    const std::optional<std::string> text = textValue(in, key, required);
    if (!text) {
        return std::nullopt;
    }
    const std::optional<double> value = numberIn(*text);
    if (!value) {
        in.fail("The value of " + key + " (" + *text + ") is not a number.");
    }
    return value;
}

std::optional<double> openUnitValue(KeyReader& in, const std::string& key,
                                    const std::string& name) {
    const std::optional<double> value = numberValue(in, key, true);
    if (value && (*value >= 1 || *value <= 0)) {
        in.fail("The " + name + " was set to (" + numberText(*value) +
                "). This value must lay within the open interval (0,1).");
        return std::nullopt;
    }
    return value;
}

// An optional key within the open interval (0, 1).
std::optional<double> optionalOpenUnitValue(KeyReader& in, const std::string& key) {
    if (in.entries.count(key) == 0) {
        return std::nullopt;
    }
    return openUnitValue(in, key, key);
}

std::optional<double> positiveValue(KeyReader& in, const std::string& key) {
    const std::optional<double> value = numberValue(in, key, true);
    if (value && *value <= 0) {
        in.fail("The " + key + " was set to (" + numberText(*value) +
                "). This value must be greater than zero.");
        return std::nullopt;
    }
    return value;
}

// A rule value that the program itself would refuse is refused here too.
std::optional<double> withinLimits(KeyReader& in, std::optional<double> value,
                                   std::optional<std::string> (*limitProblem)(double)) {
    if (value) {
        if (const std::optional<std::string> problem = limitProblem(*value)) {
            in.fail(*problem);
            return std::nullopt;
        }
    }
    return value;
}

// Arrivals stay finite and every patient keeps a positive follow-up in every
// unit the units command converts to: AccrualRate 1e-310 per day once gave
// infinite arrival times and ended the simulation with "a simulated patient
// has no follow-up at a look".
std::optional<double> accrualValue(KeyReader& in) {
    const std::optional<double> rate = positiveValue(in, "AccrualRate");
    if (rate && (*rate < 1e-6 || *rate > 1e6)) {
        in.fail("The AccrualRate was set to (" + numberText(*rate) + "). This value is too " +
                (*rate < 1e-6 ? "small" : "large") +
                " for the computation; it must lie within [0.000001, 1000000].");
        return std::nullopt;
    }
    return rate;
}

// A whole number in [lowest, highest].
std::optional<int> wholeValue(KeyReader& in, const std::string& key, int lowest, int highest) {
    const std::optional<double> value = numberValue(in, key, true);
    if (value && (*value != std::floor(*value) || *value < lowest || *value > highest)) {
        in.fail("The " + key + " was set to (" + numberText(*value) +
                "). This value must be a whole number from " + std::to_string(lowest) + " to " +
                std::to_string(highest) + ".");
        return std::nullopt;
    }
    return value ? std::optional<int>(static_cast<int>(*value)) : std::nullopt;
}

// An optional key: `fallback` when absent, checked like any other when present.
std::optional<int> optionalWholeValue(KeyReader& in, const std::string& key, int lowest,
                                      int highest, int fallback) {
    if (in.entries.count(key) == 0) {
        return fallback;
    }
    return wholeValue(in, key, lowest, highest);
}

std::optional<EventType> eventTypeValue(KeyReader& in) {
    const std::optional<std::string> text = textValue(in, "TrialType", true);
    if (!text) {
        return std::nullopt;
    }
    const std::string type = upperCased(*text);
    const std::optional<EventType> eventType = eventTypeNamed(type);
    if (!eventType) {
        in.fail("Type of event provided (" + type +
                ") is not appropriate. Limit inputs to Toxicity, Efficacy, or DiseaseProgression");
    }
    return eventType;
}

std::optional<TimeUnit> timeUnitValue(KeyReader& in) {
    const std::optional<std::string> name = textValue(in, "TimeUnit", false);
    if (!name) {
        return findTimeUnit("days");
    }
    std::optional<TimeUnit> unit = findTimeUnit(*name);
    if (!unit) {
        in.fail("The TimeUnit was set to (" + *name +
                "). Limit inputs to hours, days, weeks, months or years.");
    }
    return unit;
}

std::optional<double> hazardPriorShapeValue(KeyReader& in) {
    if (!in.entries.contains("HazardPriorShape")) {
        return 0.0;
    }
    return withinLimits(in, numberValue(in, "HazardPriorShape", true), hazardPriorShapeProblem);
}

std::optional<HazardRange> hazardRangeValue(KeyReader& in) {
    const std::optional<std::string> name = textValue(in, "HazardRange", false);
    if (!name) {
        return HazardRange::Unit;
    }
    const std::optional<HazardRange> range = hazardRangeNamed(*name);
    if (!range) {
        in.fail("The HazardRange was set to (" + *name + "). Limit inputs to unit or window.");
    }
    return range;
}

std::optional<LateOutcomeMethod> methodValue(KeyReader& in) {
    const std::optional<std::string> name = textValue(in, "Method", false);
    if (!name) {
        return LateOutcomeMethod::Imputation;
    }
    const std::optional<LateOutcomeMethod> method = lateOutcomeMethodNamed(*name);
    if (!method) {
        in.fail("The Method was set to (" + *name +
                "). Limit inputs to imputation, complete-case, suspension or weighted.");
    }
    return method;
}

// The hazard model belongs to the imputation: under another method it would
// change nothing, so a value other than quillmere's is a mistake.
void checkHazardModelApplies(KeyReader& in, LateOutcomeMethod method, double priorShape,
                             HazardRange range) {
    if (method != LateOutcomeMethod::Imputation &&
        (priorShape != 0.0 || range != HazardRange::Unit)) {
        in.fail("The Method was set to (" + lateOutcomeMethodName(method) +
                "), which imputes nothing: HazardPriorShape and HazardRange apply only to "
                "Method = imputation.");
    }
}

std::optional<double> rateEntry(KeyReader& in, std::string entry) {
    trimBlanks(entry);
    std::istringstream stream(entry);
    stream.imbue(std::locale::classic());
    double rate = 0.0;
    if (!(stream >> rate) || stream.peek() != std::char_traits<char>::eof() ||
        !std::isfinite(rate)) {
        in.fail("The TrueRates entry (" + entry + ") is not a number.");
        return std::nullopt;
    }
    if (rate <= 0 || rate >= 1) {
        in.fail("The TrueRates entry (" + entry + ") must lay within the open interval (0,1).");
        return std::nullopt;
    }
    return rate;
}

std::vector<double> trueRatesValue(KeyReader& in) {
    const std::optional<std::string> text = textValue(in, "TrueRates", true);
    std::vector<double> rates;
    if (!text) {
        return rates;
    }
    std::istringstream list(*text);
    std::string entry;
    while (std::getline(list, entry, ',')) {
        if (const std::optional<double> rate = rateEntry(in, entry)) {
            rates.push_back(*rate);
        }
    }
    if (rates.empty() && in.valid) {
        in.fail("The TrueRates were set to (" + *text + "). Give at least one rate.");
    }
    return rates;
}

std::optional<double> shapeValue(KeyReader& in) {
    const std::optional<double> shape = numberValue(in, "EventTimeShape", true);
    if (shape && (*shape < 0.1 || *shape > 10)) {
        in.fail("The EventTimeShape was set to (" + numberText(*shape) +
                "). This value must lay within the interval [0.1, 10].");
        return std::nullopt;
    }
    return shape;
}

std::optional<std::uint64_t> seedValue(KeyReader& in) {
    const std::optional<std::string> text = textValue(in, "Seed", true);
    if (!text) {
        return std::nullopt;
    }
    std::uint64_t seed = 0;
    const char* end = text->data() + text->size();
    const auto [stop, error] = std::from_chars(text->data(), end, seed);
    if (text->empty() || error != std::errc() || stop != end) {
        in.fail("The Seed was set to (" + *text +
                "). This value must be a whole number from 0 to 18446744073709551615.");
        return std::nullopt;
    }
    return seed;
}

const std::set<std::string>& designKeys() {
    static const std::set<std::string> keys = {"TrialType",
                                               "RateBound",
                                               "CutoffProbability",
                                               "MaxEvaluationWindow",
                                               "TimeUnit",
                                               "MaxPatients",
                                               "AccrualRate",
                                               "FirstLook",
                                               "LookEvery",
                                               "MinCompleted",
                                               "TrueRates",
                                               "EventTimeShape",
                                               "Trials",
                                               "Seed",
                                               "CalibrationRate",
                                               "MaxErrorStop",
                                               "HazardPriorShape",
                                               "HazardRange",
                                               "Method"};
    return keys;
}

void reportUnknownKeys(KeyReader& in) {
    for (const auto& [key, entry] : in.entries) {
        if (designKeys().count(key) == 0) {
            in.fail("Unknown key in design file (" + key + ").");
        }
    }
}

// The run-in must leave some look that can be run: at a look no more
// outcomes are known than patients are enrolled.
void checkRunInReachable(KeyReader& in, int patients, int firstLook, int lookEvery,
                         int minCompleted) {
    DesignSettings schedule;
    schedule.maxPatients = patients;
    schedule.firstLook = firstLook;
    schedule.lookEvery = lookEvery;
    const int lastEnrolled = enrolledAtLook(schedule, scheduledLookCount(schedule));
    if (minCompleted > lastEnrolled) {
        in.fail("The MinCompleted was set to (" + std::to_string(minCompleted) +
                "). No look could ever run: the last look comes after " +
                std::to_string(lastEnrolled) + " patients are enrolled, so no more outcomes " +
                "than that are known at a look.");
    }
}

}  // namespace

namespace {

std::optional<DesignSettings> designFrom(const KeyValueText& file, std::ostream& messages) {
    KeyReader in{file.entries, messages};
    for (const std::string& problem : file.problems) {
        in.fail(problem);
    }
    if (file.entries.empty() && !in.valid) {
        return std::nullopt;  // not a design file at all: the keys need not be listed
    }
    const std::optional<EventType> eventType = eventTypeValue(in);
    const std::optional<double> rateBound =
        withinLimits(in, openUnitValue(in, "RateBound", "Rate Bound"), rateBoundLimitProblem);
    const std::optional<double> cutoff =
        openUnitValue(in, "CutoffProbability", "Cutoff Probability");
    const std::optional<double> window =
        withinLimits(in, positiveValue(in, "MaxEvaluationWindow"), evaluationWindowLimitProblem);
    const std::optional<TimeUnit> unit = timeUnitValue(in);
    const std::optional<double> priorShape = hazardPriorShapeValue(in);
    const std::optional<HazardRange> hazardRange = hazardRangeValue(in);
    const std::optional<LateOutcomeMethod> method = methodValue(in);
    if (method && priorShape && hazardRange) {
        checkHazardModelApplies(in, *method, *priorShape, *hazardRange);
    }
    const std::optional<int> patients = wholeValue(in, "MaxPatients", 1, maxPatients);
    const std::optional<double> accrual = accrualValue(in);
    const int lastLook = patients.value_or(maxPatients) - 1;
    const std::optional<int> firstLook = wholeValue(in, "FirstLook", 1, std::max(lastLook, 1));
    const std::optional<int> lookEvery = wholeValue(in, "LookEvery", 1, maxPatients);
    const std::optional<int> minCompleted =
        optionalWholeValue(in, "MinCompleted", 0, patients.value_or(maxPatients), 0);
    const std::vector<double> rates = trueRatesValue(in);
    const std::optional<double> shape = shapeValue(in);
    const std::optional<int> trials = optionalWholeValue(in, "Trials", 1, 10000000, 1000);
    const std::optional<std::uint64_t> seed = seedValue(in);
    const std::optional<double> calibrationRate = optionalOpenUnitValue(in, "CalibrationRate");
    const std::optional<double> maxErrorStop = optionalOpenUnitValue(in, "MaxErrorStop");
    if (patients && *patients < 2) {
        in.fail("The MaxPatients was set to (1). A look needs at least 2 patients.");
    }
    if (patients && *patients >= 2 && firstLook && lookEvery && minCompleted) {
        checkRunInReachable(in, *patients, *firstLook, *lookEvery, *minCompleted);
    }
    reportUnknownKeys(in);
    if (!in.valid) {
        return std::nullopt;
    }
    DesignSettings design{*eventType, *rateBound, *cutoff,         *window,       *unit, *patients,
                          *accrual,   *firstLook, *lookEvery,      *minCompleted, rates, *shape,
                          *trials,    *seed,      calibrationRate, maxErrorStop};
    design.hazardPriorShape = *priorShape;
    design.hazardRange = *hazardRange;
    design.method = *method;
    return design;
}

}  // namespace

std::optional<DesignSettings> readDesignText(std::istream& text, std::ostream& messages) {
    return designFrom(readKeyValueLines(text), messages);
}

std::optional<DesignSettings> readDesignFile(const std::string& fileName, std::ostream& messages) {
    std::ifstream file(fileName, std::ios::binary);
    const KeyValueText text = file.is_open() ? readKeyValueLines(file) : KeyValueText{};
    // A directory opens, but reading it fails.
    if (!file.is_open() || !text.readable) {
        messages << "Failure to load file (" << fileName << ").\n";
        return std::nullopt;
    }
    return designFrom(text, messages);
}

std::string eventTypeName(EventType eventType) {
    switch (eventType) {
        case EventType::Toxicity:
            return "toxicity";
        case EventType::Efficacy:
            return "efficacy";
        case EventType::DiseaseProgression:
            return "disease progression";
    }
    return "";
}

std::string designFingerprint(const DesignSettings& design) {
    char buffer[512];
    std::snprintf(buffer, sizeof buffer,
                  "type=%d bound=%.17g cutoff=%.17g window=%.17g unit=%s patients=%d "
                  "accrual=%.17g first=%d every=%d completed=%d shape=%.17g trials=%d seed=%llu",
                  static_cast<int>(design.eventType), design.rateBound, design.cutoffProbability,
                  design.maxEvaluationWindow, design.timeUnit.name.c_str(), design.maxPatients,
                  design.accrualRate, design.firstLook, design.lookEvery, design.minCompleted,
                  design.eventTimeShape, design.trials,
                  static_cast<unsigned long long>(design.seed));
    std::string fingerprint = buffer;
    fingerprint += " rates=";
    for (const double rate : design.trueRates) {
        std::snprintf(buffer, sizeof buffer, "%.17g;", rate);
        fingerprint += buffer;
    }
    // Only a hazard model other than quillmere's and a method other than the
    // imputation are named, so that the files of designs without them stay
    // as they were.
    if (!hasConsoleHazardModel(design)) {
        std::snprintf(buffer, sizeof buffer, " hazard_prior_shape=%.17g hazard_range=%s",
                      design.hazardPriorShape, hazardRangeName(design.hazardRange).c_str());
        fingerprint += buffer;
    }
    if (design.method != LateOutcomeMethod::Imputation) {
        fingerprint += " method=" + lateOutcomeMethodName(design.method);
    }
    return fingerprint;
}

bool hasConsoleHazardModel(const DesignSettings& design) {
    MonitoringRule rule;
    rule.hazardPriorShape = design.hazardPriorShape;
    rule.hazardRange = design.hazardRange;
    return hasConsoleHazardModel(rule);
}

bool replayableWithQuillmere(const DesignSettings& design) {
    return design.method == LateOutcomeMethod::Imputation && hasConsoleHazardModel(design);
}

}  // namespace quillmere
