#pragma once

#include <ostream>
#include <string>

#include "config/config_file_reader.h"
#include "trialdata/event_type.h"

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
// to the sink. Returns true when the sink is empty afterwards.
bool validateTrialSettings(ConfigFileReader& reader, std::ostream& sink);

// Letters a-z to A-Z on a copy; every other character unchanged.
std::string upperCased(std::string text);

}  // namespace quillmere
