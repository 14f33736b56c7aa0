// Prints every field of the analysis of a trial directory, exactly, under a
// header that says how the text was made: the R package's load-time check
// compares its own build with this text (r/self_check_reference.sh writes it).
//   analysis_result_text DIRECTORY ANSWER NAME
#include <cstdio>
#include <string>

#include "analysis/analysis.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: analysis_result_text DIRECTORY ANSWER NAME\n", stderr);
        return 2;
    }
    const int answer = std::stoi(argv[2]);
    const quillmere::InputOutcome read = quillmere::readTrialDirectory(argv[1], answer);
    if (!read) {
        std::fputs(read.error().text.c_str(), stderr);
        return 1;
    }
    const quillmere::AnalysisOutcome outcome = quillmere::analyse(read.value());
    if (!outcome) {
        std::fputs(outcome.error().text.c_str(), stderr);
        return 1;
    }
    std::printf(
        "# Every field of the analysis of the reference trial %s (event type %d), as the\n"
        "# library computes it. The R package refuses to load when its build gives any\n"
        "# other bit. Written by r/self_check_reference.sh; run it again after a change\n"
        "# of the arithmetic.\n"
        "directory %s\nanswer %d\n%s",
        argv[3], answer, argv[3], answer, quillmere::analysisResultText(outcome.value()).c_str());
    return 0;
}
