#include "platform/stop_signals.h"

#include <csignal>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <signal.h>
#endif

namespace quillmere {

namespace {

std::atomic<int>* stopRequest = nullptr;

#ifdef _WIN32

// Runs on a thread of its own. Returning FALSE hands the event on to the
// default handler, which ends the process.
BOOL WINAPI requestStop(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) {
        return FALSE;
    }
    int expected = 0;
    return stopRequest->compare_exchange_strong(expected, SIGINT) ? TRUE : FALSE;
}

void installHandlers() {
    SetConsoleCtrlHandler(requestStop, TRUE);
}

#else

extern "C" void requestStop(int signal) {
    stopRequest->store(signal);
}

void installHandlers() {
    struct sigaction action {};
    action.sa_handler = requestStop;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

#endif

}  // namespace

void catchStopSignals(std::atomic<int>& stop) {
    static_assert(std::atomic<int>::is_always_lock_free);
    stopRequest = &stop;
    installHandlers();
}

}  // namespace quillmere
