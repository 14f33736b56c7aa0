#pragma once

#include <cstdio>
#include <optional>
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
// The message for the identifier of patient `index` (counted from 0) when it
// is longer than 99 characters (`truncated`: cut to its first 99 already) or
// holds a NUL; empty when it is accepted.
std::optional<std::string> patientIdentifierProblem(const std::string& id, bool truncated,
                                                    int index);

// The checks of one record in their fixed order; the message of the first
// that fails, or empty when the record is accepted. An empty indicator is one
// that is not a whole number.
std::optional<std::string> patientRecordProblem(const std::string& id,
                                                std::optional<int> responseIndicator,
                                                double eventTime, double followUpTime,
                                                double window);

bool readPatientData(std::FILE* file, const std::string& dataFileName, TrialData& data,
                     EventType eventType, std::ostream& console);

}  // namespace quillmere
