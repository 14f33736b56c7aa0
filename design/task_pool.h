#pragma once

#include <functional>

#include "trial/trial_data.h"

namespace quillmere {

// Called on the calling thread with the number of tasks done so far.
using ProgressCallback = std::function<void(long done, long total)>;

// One task: its index and the worker's own working record.
using IndexedTask = std::function<void(long task, TrialData& work)>;

// Runs tasks 0..total-1 on `threads` worker threads, each worker with its own
// record. Tasks must store their results by index, so that the results do not
// depend on which thread ran what. The first failure of any task stops the
// run and is rethrown here.
void runTaskPool(long total, int threads, const ProgressCallback& progress,
                 const IndexedTask& task);

}  // namespace quillmere
