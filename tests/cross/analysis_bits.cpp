// Prints every bit of analyse()'s result on each trial directory given, under
// the console program's hazard model and under others, so that builds for
// different systems can be compared byte for byte.
//   quillmere-analysis-bits DIRECTORY ANSWER [DIRECTORY ANSWER ...]
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "analysis/analysis.h"
#include "numeric/number_text.h"
#include "platform/console_streams.h"

namespace {

using namespace quillmere;

// A double's bits, then its shortest text for a reader.
void printNumber(const char* name, double value) {
    std::printf("%s %016llx %s\n", name,
                static_cast<unsigned long long>(std::bit_cast<std::uint64_t>(value)),
                shortestText(value).c_str());
}

void printResult(const AnalysisResult& result) {
    printNumber("posterior", result.posteriorResult);
    printNumber("reported", result.reportedProbability);
    std::printf("terminate %d\n", result.terminate ? 1 : 0);
    if (result.uninformedFrom) {
        printNumber("uninformed-from", *result.uninformedFrom);
    }
    for (const double hazard : result.hazards) {
        printNumber("hazard", hazard);
    }
    std::printf("patients %d events %d pending %d\n", result.patientCount, result.eventCount,
                result.pendingCount);
    for (const std::string& note : result.notes) {
        std::printf("note %s\n", note.c_str());
    }
}

void printError(const AnalysisError& error) {
    std::printf("error kind %d status %d sampler %d\n%s", static_cast<int>(error.kind),
                error.exitStatus, error.samplerCode, error.text.c_str());
}

struct HazardModel {
    double shape;
    HazardRange range;
};

// The console program's model, then a proper prior and the range in windows.
constexpr HazardModel models[] = {
    {0.0, HazardRange::Unit}, {1.0, HazardRange::Unit}, {0.5, HazardRange::Window}};

}  // namespace

int main(int argc, char** argv) {
    writeStandardStreamsAsIs();
    for (int i = 1; i + 1 < argc; i += 2) {
        const InputOutcome input = readTrialDirectory(argv[i], std::atoi(argv[i + 1]));
        std::printf("== %s %s\n", argv[i], argv[i + 1]);
        if (!input) {
            printError(input.error());
            continue;
        }
        for (const HazardModel& model : models) {
            AnalysisInput changed = input.value();
            changed.rule.hazardPriorShape = model.shape;
            changed.rule.hazardRange = model.range;
            std::printf("-- shape %s range %d\n", shortestText(model.shape).c_str(),
                        static_cast<int>(model.range));
            const AnalysisOutcome outcome = analyse(changed);
            if (outcome) {
                printResult(outcome.value());
            } else {
                printError(outcome.error());
            }
        }
    }
    return 0;
}
