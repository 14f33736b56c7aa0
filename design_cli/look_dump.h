#pragma once

#include <string>
#include <vector>

#include "design/look_analysis.h"
#include "design_cli/output_file.h"

namespace quillmere {

// The names quillmere expects for an event type.
struct ConsoleFileNames {
    char answer = '1';       // the event-type answer, quillmere's first argument
    std::string configFile;  // TrialConfig_<Type>.config
    std::string trialType;   // the TrialType value
    std::string dataFile;    // data_<type>.txt
    std::string eventLabel;  // the data file's second header word
};
ConsoleFileNames consoleFileNames(EventType eventType);

// The configuration and the patient data file of a look, every number
// written so that quillmere reads back the very doubles the simulation used.
// The writers refer to the arguments, which must outlive them.
std::vector<ResultFile> lookFiles(const AnalysisSettings& settings,
                                  const std::vector<PatientLine>& patients);

// The result line quillmere writes to summary.txt for this probability.
std::string consoleResultLine(EventType eventType, double rateBound, double probability);

}  // namespace quillmere
