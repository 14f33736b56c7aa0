// Reads a trial directory and prints the advice, through the installed library.
#include <cstdio>

#include "analysis/analysis.h"

int main(int argc, char** argv) {
    using namespace quillmere;
    const InputOutcome input = readTrialDirectory(argc > 1 ? argv[1] : ".", 1);
    const AnalysisOutcome result = input ? analyse(input.value()) : AnalysisOutcome(input.error());
    if (!result) {
        std::fputs(result.error().text.c_str(), stderr);
        return result.error().exitStatus;
    }
    std::printf("%.17g %s\n", result.value().reportedProbability,
                result.value().terminate ? "terminate" : "continue");
}
