#pragma once

#include <atomic>
#include <functional>
#include <optional>

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

// The tasks the workers of runWorkerPool share.
struct TaskQueue;

// The next task index; empty when all are taken, a worker has failed or a
// stop was requested.
std::optional<long> takeTask(TaskQueue& queue);
// Counts one taken task as done, for the progress shown.
void markTaskDone(TaskQueue& queue);
// Whether the workers are to stop as soon as they can: some worker failed or
// a stop was requested.
bool workersStopping(const TaskQueue& queue);

// A worker thread's whole work: it takes tasks until none are left, may hold
// several at once, and stores each result by its index.
using QueueWorker = std::function<void(TaskQueue& queue)>;

// Runs `worker` on `threads` threads (at most one per task) over tasks
// 0..total-1, as runTaskPool does its tasks: the first failure of any worker
// is rethrown here, and a stop request makes it return false.
bool runWorkerPool(long total, int threads, const ProgressCallback& progress,
                   const QueueWorker& worker, const StopRequest* stop = nullptr);

}  // namespace quillmere
