#include "config/event_label.h"

#include <stdexcept>

#include "config/configuration_failure.h"
#include "config/trial_settings.h"

namespace quillmere {

namespace {

struct RequiredLabel {
    const char* label;        // compared with the upper-cased word
    const char* messageName;  // how the message names it
};

RequiredLabel requiredLabelFor(EventType eventType) {
    switch (eventType) {
        case EventType::Toxicity:
            return {"TOXICITY_EVENT", "toxicity_event"};
        case EventType::Efficacy:
            return {"EFFICACY_EVENT", "efficacy_event"};
        case EventType::DiseaseProgression:
            return {"DISEASEPROGRESSION_EVENT", "diseaseProgression_event"};
    }
    throw std::invalid_argument("Unknown event type (" +
                                std::to_string(static_cast<int>(eventType)) + ").");
}

}  // namespace

void checkEventLabel(const std::string& label, EventType eventType,
                     const std::string& dataFileName) {
    const RequiredLabel required = requiredLabelFor(eventType);
    if (upperCased(label) == required.label) {
        return;
    }
    throw ConfigurationFailure(
        "Event label in (" + dataFileName + ") does not match the required version (" +
        required.messageName +
        "). This may be due to user error, please revise and make sure file is correct "
        "file.\n");
}

}  // namespace quillmere
