#pragma once

#include <string>

#include "trial/event_type.h"

namespace quillmere {

// Compares the data file's event label (its second word) with the run's event
// type; on a mismatch prints the message and throws ConfigurationFailure.
void checkEventLabel(const std::string& label, EventType eventType,
                     const std::string& dataFileName);

}  // namespace quillmere
