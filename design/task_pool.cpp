#include "design/task_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace quillmere {

struct TaskQueue {
    explicit TaskQueue(long total) : total(total) {}

    const long total;
    std::atomic<long> nextTask{0};
    std::atomic<long> doneTasks{0};
    std::atomic<bool> failed{false};
    std::atomic<bool> stopped{false};
    std::mutex failureMutex;
    std::exception_ptr failure;
};

std::optional<long> takeTask(TaskQueue& queue) {
    if (workersStopping(queue)) {
        return std::nullopt;
    }
    const long task = queue.nextTask++;
    if (task >= queue.total) {
        return std::nullopt;
    }
    return task;
}

void markTaskDone(TaskQueue& queue) {
    ++queue.doneTasks;
}

bool workersStopping(const TaskQueue& queue) {
    return queue.failed || queue.stopped;
}

namespace {

void runWorker(TaskQueue& queue, const QueueWorker& worker) {
    try {
        worker(queue);
    } catch (...) {
        const std::lock_guard<std::mutex> lock(queue.failureMutex);
        if (!queue.failure) {
            queue.failure = std::current_exception();
        }
        queue.failed = true;
    }
}

}  // namespace

bool runWorkerPool(long total, int threads, const ProgressCallback& progress,
                   const QueueWorker& worker, const StopRequest* stop) {
    TaskQueue queue(total);
    std::vector<std::thread> workers;
    const long workerCount = std::clamp<long>(threads, 1, std::max<long>(total, 1));
    for (long i = 0; i < workerCount; ++i) {
        workers.emplace_back(runWorker, std::ref(queue), std::cref(worker));
    }
    while (queue.doneTasks < total && !queue.failed) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (stop != nullptr && stop->load() != 0) {
            queue.stopped = true;
            break;
        }
        progress(queue.doneTasks, total);
    }
    for (std::thread& thread : workers) {
        thread.join();
    }
    if (queue.failure) {
        std::rethrow_exception(queue.failure);
    }
    if (queue.stopped) {
        return false;
    }
    progress(total, total);
    return true;
}

bool runTaskPool(long total, int threads, const ProgressCallback& progress, const IndexedTask& task,
                 const StopRequest* stop) {
    return runWorkerPool(
        total, threads, progress,
        [&task](TaskQueue& queue) {
            // Each worker owns its record (about 100 KB, so not on the stack).
            std::vector<TrialData> record(1);
            while (const std::optional<long> next = takeTask(queue)) {
                task(*next, record[0]);
                markTaskDone(queue);
            }
        },
        stop);
}

}  // namespace quillmere
