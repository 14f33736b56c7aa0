#pragma once

#include <atomic>
#include <functional>

#include "trial/trial_data.h"

namespace quillmere {

// Called on the calling thread with the number of tasks done so far.
using ProgressCallback = std::function<void(long done, long total)>;

// One task: its index and the worker's own working record.
using IndexedTask = std::function<void(long task, TrialData& work)>;

// Becomes non-zero (the number of the signal, for a front end that catches
// one) when the user asks a long run to stop.
using StopRequest = std::atomic<int>;

// Runs tasks 0..total-1 on `threads` worker threads, each worker with its own
// record. Tasks must store their results by index, so that the results do not
// depend on which thread ran what. The first failure of any task stops the
// run and is rethrown here. A stop request is seen within a tenth of a second;
// the workers finish the tasks they are on and the pool returns false.
bool runTaskPool(long total, int threads, const ProgressCallback& progress, const IndexedTask& task,
                 const StopRequest* stop = nullptr);

}  // namespace quillmere
