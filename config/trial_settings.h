#pragma once

#include <optional>
#include <ostream>
#include <string>

#include "config/config_file_reader.h"
#include "config/configuration_failure.h"
#include "trial/event_type.h"

namespace quillmere {

// The five validated configuration values.
struct TrialSettings {
    EventType eventType = EventType::Toxicity;
    double rateBound = 0.0;
    double cutoffProbability = 0.0;
    double maxEvaluationWindow = 0.0;
    std::string dataFileName;
};

// Checks the five keys of a loaded reader; appends one message per problem
// to the sink. Returns true when no problem was found (the sink, if it was
// empty, is still empty).
bool validateTrialSettings(ConfigFileReader& reader, std::ostream& sink);

// The event type a TrialType value names, in any letter case; none for
// anything else.
std::optional<EventType> eventTypeNamed(const std::string& trialType);

// The configuration check's line for a TrialType value that names no event
// type; empty for one that does.
std::optional<std::string> trialTypeProblem(const std::string& trialType);

// The five settings of a reader that loadTrialConfiguration has accepted.
// Throws ConfigurationFailure if the reader does not hold a valid set.
TrialSettings readTrialSettings(ConfigFileReader& reader);

// A message when a rate bound inside (0, 1), or a positive evaluation window,
// still lies outside the range in which the computation is sound; empty
// otherwise. Every tool that runs the computation on configured values checks
// them with these.
std::optional<std::string> rateBoundLimitProblem(double rateBound);
std::optional<std::string> evaluationWindowLimitProblem(double window);

// The lines the checks above give for rule values handed over directly
// instead of read from a file (NaN and infinities included), in the order of
// the configuration block; empty when all three are sound.
std::string ruleValueProblems(double rateBound, double cutoffProbability, double window);

// The configuration file the console program reads for an event-type answer
// (1 toxicity, 2 efficacy, 3 disease progression); empty for any other.
std::optional<std::string> configurationFileForAnswer(int answer);

// Letters a-z to A-Z on a copy; every other character unchanged.
std::string upperCased(std::string text);

}  // namespace quillmere
