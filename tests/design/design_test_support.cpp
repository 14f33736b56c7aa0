#include "design/design_test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "analysis/analysis.h"
#include "design/text_format.h"
#include "design_cli/commands.h"

namespace quillmere::testing {

std::filesystem::path freshDirectory(const std::string& name) {
    const std::filesystem::path directory =
        std::filesystem::temp_directory_path() /
        ("quillmere-design-tests-" + std::to_string(::getpid())) / name;
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
    return directory;
}

void writeText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path) << text;
}

std::string sha256sumOf(const std::filesystem::path& file) {
    const std::string command = "sha256sum '" + file.string() + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[128];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    if (pipe != nullptr) {
        ::pclose(pipe);
    }
    return output.substr(0, output.find(' '));
}

std::string readText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

DesignSettings smallDesign(EventType eventType) {
    DesignSettings design;
    design.eventType = eventType;
    design.rateBound = eventType == EventType::DiseaseProgression ? 0.5 : 0.3;
    design.cutoffProbability = 0.8;
    design.maxEvaluationWindow = 30;
    design.timeUnit = *findTimeUnit("days");
    design.maxPatients = 12;
    design.accrualRate = 0.2;
    design.firstLook = 4;
    design.lookEvery = 2;
    design.minCompleted = 3;
    design.trueRates = {0.1, 0.6};
    design.eventTimeShape = 1.0;
    design.trials = 6;
    design.seed = 987654321;
    return design;
}

std::string designFileText(const DesignSettings& design) {
    const char* types[] = {"", "Toxicity", "Efficacy", "DiseaseProgression"};
    std::string rates;
    for (const double rate : design.trueRates) {
        rates += rates.empty() ? "" : ", ";
        rates += formatted("%.17g", rate);
    }
    std::string calibration;
    if (design.calibrationRate && design.maxErrorStop) {
        calibration = formatted("CalibrationRate = %.17g\nMaxErrorStop = %.17g\n",
                                *design.calibrationRate, *design.maxErrorStop);
    }
    std::string text =
        calibration +
        formatted(
            "TrialType = %s\nRateBound = %.17g\nCutoffProbability = %.17g\n"
            "MaxEvaluationWindow = %.17g\nTimeUnit = %s\nMaxPatients = %d\nAccrualRate = %.17g\n"
            "FirstLook = %d\nLookEvery = %d\nMinCompleted = %d\nTrueRates = %s\n"
            "EventTimeShape = %.17g\nTrials = %d\nSeed = %llu\n",
            types[static_cast<int>(design.eventType)], design.rateBound, design.cutoffProbability,
            design.maxEvaluationWindow, design.timeUnit.name.c_str(), design.maxPatients,
            design.accrualRate, design.firstLook, design.lookEvery, design.minCompleted,
            rates.c_str(), design.eventTimeShape, design.trials,
            static_cast<unsigned long long>(design.seed));
    if (!hasConsoleHazardModel(design)) {
        text += formatted("HazardPriorShape = %.17g\nHazardRange = %s\n", design.hazardPriorShape,
                          hazardRangeName(design.hazardRange).c_str());
    }
    if (design.method != LateOutcomeMethod::Imputation) {
        text += "Method = " + lateOutcomeMethodName(design.method) + "\n";
    }
    return text;
}

std::string writeDesignFile(const DesignSettings& design, const std::string& name) {
    const std::filesystem::path path = freshDirectory(name) / "trial.design";
    writeText(path, designFileText(design));
    return path.string();
}

ToolRun runTool(const std::vector<std::string>& words) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = runDesignTool(words, out, err);
    return {status, out.str(), err.str()};
}

ConsoleRun runQuillmere(const std::filesystem::path& directory, char answer) {
    const std::string command = "cd '" + directory.string() + "' && '" QUILLMERE_BINARY "' " +
                                answer + " < /dev/null > console.txt 2>&1";
    ConsoleRun run;
    const int status = std::system(command.c_str());
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::istringstream summary(readText(directory / "summary.txt"));
    for (std::string line; std::getline(summary, line);) {
        if (line.rfind("RESULTS:", 0) == 0) {
            run.resultLine = line;
        } else if (line.rfind("Compared with cut-off", 0) == 0) {
            run.decisionLine = line;
        }
    }
    return run;
}

std::string expectedDecisionLine(bool terminate, double cutoffProbability) {
    std::ostringstream line;
    line << "Compared with cut-off " << cutoffProbability
         << (terminate ? ", it is HIGHER than the cut-off, therefore we suggest to TERMINATE the "
                         "trial."
                       : ", it is LOWER than the cut-off, therefore we suggest to CONTINUE the "
                         "trial.");
    return line.str();
}

std::vector<std::pair<std::string, std::string>> directoryFiles(
    const std::filesystem::path& directory) {
    std::vector<std::pair<std::string, std::string>> files;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        if (entry.is_regular_file()) {
            files.emplace_back(entry.path().filename().string(), readText(entry.path()));
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

}  // namespace quillmere::testing
