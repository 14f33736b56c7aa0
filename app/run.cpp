#include <array>
#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "app/app.h"
#include "app/banner.h"
#include "app/console.h"
#include "app/decision_report.h"
#include "app/dialogue.h"
#include "app/input_echo.h"
#include "config/config.h"
#include "datafile/open_file.h"
#include "datafile/patient_data_reader.h"

namespace quillmere {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using DataFile = std::unique_ptr<std::FILE, FileCloser>;

struct EventTexts {
    std::string trialType;
    std::string category;
    std::string kind;
};

// Upper-cases the configured trial type in place and sets the process-wide
// texts that encode the event type from here on.
void classifyTrialType(std::string& trialType) {
    for (char& c : trialType) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    static const std::array<EventTexts, 3> table{{
        {"TOXICITY", "T", ""},
        {"EFFICACY", "E", "Efficacy"},
        {"DISEASEPROGRESSION", "E", "DiseasePro"},
    }};
    for (const EventTexts& texts : table) {
        if (trialType == texts.trialType) {
            processState().eventCategory = texts.category;
            processState().eventKind = texts.kind;
            return;
        }
    }
}

// Checks that the report survived its last write and its closing.
bool closeReport(std::ofstream& report) {
    const bool written = report.good();
    report.close();
    return written && !report.fail();
}

void printClosingLines() {
    lineEnd(std::cout);
    lineEnd(std::cout);
    lineEnd(std::cout);
    std::cout << "Execution has completed.";
    lineEnd(std::cout);
    std::cout << "Please apply and then remove pressure from the ANY key to terminate.";
    lineEnd(std::cout);
    lineEnd(std::cout);
}

// Steps from the open report to the decision; returns the exit status.
int analyse(ConfigFileReader& reader, std::ofstream& report, TrialData& data,
            double cutoffProbability) {
    data.lambda0 = lambda0For(runEventType(), data.rateBound, data.maxEvaluationWindow);
    std::string dataFileName;
    reader.getValue(dataFileName, "InputDataFileName");
    DataFile file(openForReading(dataFileName));
    if (!file) {
        std::cout << "The data file does not exist!";
        lineEnd(std::cout);
        return exitInputFailure;
    }
    const bool accepted =
        readPatientData(file.get(), dataFileName, data, runEventType(), std::cout);
    file.reset();
    if (!accepted) {
        return exitInputFailure;
    }
    writeRunHeader(report);
    prepareRecord(data);
    writeInputEcho(report, data, cutoffProbability);
    data.computeExposures();
    data.runImputationSampler();
    reportDecision(report, data, *processState().analysis, cutoffProbability);
    lineEnd(report);
    lineEnd(report);
    report << "---------------------The End---------------------";
    lineEnd(report);
    return exitComplete;
}

int runConsole(int argc, const char* const* argv) {
    printBanner(std::cout);
    const std::optional<int> answer = obtainEventTypeAnswer(argc, argv, std::cin, std::cout);
    if (!answer) {
        return exitNoAnswer;
    }
    ConfigFileReader reader(confirmChoice(*answer, std::cout));
    reader.loadTrialConfiguration();
    auto data = std::make_unique<TrialData>();
    std::string trialType;
    double cutoffProbability = 0.0;
    reader.getValue(trialType, "TrialType");
    reader.getValue(data->rateBound, "RateBound");
    reader.getValue(cutoffProbability, "CutoffProbability");
    processState().cutoffProbability = cutoffProbability;
    classifyTrialType(trialType);
    reader.getValue(data->maxEvaluationWindow, "MaxEvaluationWindow");
    std::ofstream report(reportPath(), std::ios::out | std::ios::app | std::ios::binary);
    if (!report) {
        std::cout << " can not open summary.txt";
        lineEnd(std::cout);
        return exitReportOrSampler;
    }
    const int status = analyse(reader, report, *data, cutoffProbability);
    if (status != exitComplete) {
        return status;
    }
    if (!closeReport(report)) {
        lineEnd(std::cout);
        std::cout << "The report file summary.txt could not be written completely (disk full or "
                     "write error): the decision of this run is not recorded in it.";
        lineEnd(std::cout);
        return exitReportNotWritten;
    }
    printClosingLines();
    std::cin.get();
    return exitComplete;
}

}  // namespace

int runQuillmere(int argc, const char* const* argv) {
    try {
        return runConsole(argc, argv);
    } catch (const ConfigurationFailure& failure) {
        // The readers leave showing the whole block to the program.
        std::cout << failure.text() << std::endl;
        return exitConfigurationFailure;
    }
}

}  // namespace quillmere
