#pragma once

// Configuration and data files for runs of the program.
#include <string>

#include "app/program_runner.h"

namespace quillmere::testing {

struct TrialKind {
    std::string answer;          // first argument of the run
    std::string configFileName;  // read for that answer
    std::string trialType;       // TrialType value
    std::string dataFileName;    // InputDataFileName value
    std::string label;           // event label of the data file
};

inline const TrialKind toxicity{"1", "TrialConfig_Toxicity.config", "Toxicity", "data_toxicity.txt",
                                "TOXICITY_EVENT"};
inline const TrialKind efficacy{"2", "TrialConfig_Efficacy.config", "Efficacy", "data_efficacy.txt",
                                "EFFICACY_EVENT"};
inline const TrialKind diseaseProgression{"3", "TrialConfig_DiseaseProgression.config",
                                          "DiseaseProgression", "data_diseaseProgression.txt",
                                          "DISEASEPROGRESSION_EVENT"};

inline std::string configText(const TrialKind& kind, const std::string& rateBound = "0.3",
                              const std::string& cutoff = "0.9", const std::string& window = "30") {
    return "TrialType = " + kind.trialType + "\nRateBound = " + rateBound +
           "\nCutoffProbability = " + cutoff + "\nMaxEvaluationWindow = " + window +
           "\nInputDataFileName = " + kind.dataFileName + "\n";
}

// Writes a configuration and a data file whose records follow the header.
inline void writeTrial(const TrialDirectory& dir, const TrialKind& kind, const std::string& records,
                       const std::string& window = "30", const std::string& rateBound = "0.3",
                       const std::string& cutoff = "0.9") {
    dir.write(kind.configFileName, configText(kind, rateBound, cutoff, window));
    dir.write(kind.dataFileName, "PatientData " + kind.label + " Time FollowUp\n" + records);
}

}  // namespace quillmere::testing
