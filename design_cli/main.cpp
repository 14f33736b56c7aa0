// quillmere-design: stopping boundaries and operating characteristics of the
// monitoring rule, computed with the same engine as quillmere.
#include <signal.h>

#include <iostream>
#include <string>
#include <vector>

#include "design_cli/commands.h"

namespace {

// Set by the first SIGINT or SIGTERM: the run then ends without moving its
// results into place. A second one ends the process at once (the previous
// results are still untouched: they are only ever replaced by renames).
quillmere::StopRequest stopSignal{0};

extern "C" void requestStop(int signal) {
    stopSignal.store(signal);
}

void catchStopSignals() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    static_assert(quillmere::StopRequest::is_always_lock_free);
    catchStopSignals();
    const std::vector<std::string> words(argv + 1, argv + argc);
    return quillmere::runDesignTool(words, std::cout, std::cerr, stopSignal);
}
