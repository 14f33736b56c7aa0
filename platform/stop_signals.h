#pragma once

#include <atomic>

namespace quillmere {

// From now on the first interruption (SIGINT or SIGTERM; on Windows Ctrl-C,
// Ctrl-Break or the console window closing, taken as SIGINT) only sets
// `stop` to its signal number: the run then ends without moving its results
// into place. A second one ends the process at once, as an uncaught one
// would; the previous results are still untouched, since they are only ever
// replaced by renames. `stop` must live as long as the process.
void catchStopSignals(std::atomic<int>& stop);

}  // namespace quillmere
