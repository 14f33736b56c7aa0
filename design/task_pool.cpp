#include "design/task_pool.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace quillmere {
namespace {

struct SharedWork {
    SharedWork(long total, const IndexedTask& task) : total(total), task(task) {}

    const long total;
    const IndexedTask& task;
    std::atomic<long> nextTask{0};
    std::atomic<long> doneTasks{0};
    std::atomic<bool> failed{false};
    std::atomic<bool> stopped{false};
    std::mutex failureMutex;
    std::exception_ptr failure;
};

void runWorker(SharedWork& work) {
    // Each worker owns its record (about 100 KB, so not on the stack).
    std::vector<TrialData> record(1);
    try {
        for (long task = work.nextTask++; task < work.total && !work.failed && !work.stopped;
             task = work.nextTask++) {
            work.task(task, record[0]);
            ++work.doneTasks;
        }
    } catch (...) {
        const std::lock_guard<std::mutex> lock(work.failureMutex);
        if (!work.failure) {
            work.failure = std::current_exception();
        }
        work.failed = true;
    }
}

}  // namespace

bool runTaskPool(long total, int threads, const ProgressCallback& progress, const IndexedTask& task,
                 const StopRequest* stop) {
    SharedWork work(total, task);
    std::vector<std::thread> workers;
    const long workerCount = std::clamp<long>(threads, 1, std::max<long>(total, 1));
    for (long i = 0; i < workerCount; ++i) {
        workers.emplace_back(runWorker, std::ref(work));
    }
    while (work.doneTasks < total && !work.failed) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (stop != nullptr && stop->load() != 0) {
            work.stopped = true;
            break;
        }
        progress(work.doneTasks, total);
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    if (work.failure) {
        std::rethrow_exception(work.failure);
    }
    if (work.stopped) {
        return false;
    }
    progress(total, total);
    return true;
}

}  // namespace quillmere
