#pragma once

#include <cstdio>
#include <string>

#include "trial/trial_data.h"

namespace quillmere {

// Reads the four header words (the second goes through the event label
// check) and every patient record of the open data file into the record,
// checking each. Returns true when all are accepted; on a failed check the
// message has been printed and false is returned. A label mismatch throws
// ConfigurationFailure. The caller closes the file.
bool readPatientData(std::FILE* file, const std::string& dataFileName, TrialData& data,
                     EventType eventType);

}  // namespace quillmere
