// quillmere-design: stopping boundaries and operating characteristics of the
// monitoring rule, computed with the same engine as quillmere.
#include <iostream>
#include <string>
#include <vector>

#include "design_cli/commands.h"
#include "platform/platform.h"

namespace {

// The signal that asked the run to stop, or 0.
quillmere::StopRequest stopSignal{0};

}  // namespace

int main(int argc, char** argv) {
    quillmere::writeStandardStreamsAsIs();
    quillmere::catchStopSignals(stopSignal);
    const std::vector<std::string> words(argv + 1, argv + argc);
    return quillmere::runDesignTool(words, std::cout, std::cerr, stopSignal);
}
