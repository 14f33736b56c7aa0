#pragma once

#include <cstdio>
#include <ostream>
#include <string>

#include "trial/trial_data.h"

namespace quillmere {

// Reads the four header words (the second goes through the event label
// check) and every patient record of the open data file into the record,
// checking each. Returns true when all are accepted; on a failed check the
// message has been written to `console` (as the console program shows it)
// and false is returned. A label mismatch throws ConfigurationFailure, and
// nothing is written. The caller closes the file.
bool readPatientData(std::FILE* file, const std::string& dataFileName, TrialData& data,
                     EventType eventType, std::ostream& console);

}  // namespace quillmere
