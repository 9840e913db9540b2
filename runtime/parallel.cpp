#include "runtime/parallel.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>

namespace ostrel {

namespace {

// Beyond this, more threads share memory bandwidth more than they add.
constexpr unsigned mostWorkers = 8;

unsigned coreCount()
{
    // Asked once: the system reads it from a file each time.
    static const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, mostWorkers);
    return cores;
}

// Threads kept for the life of the process and handed each run's jobs in
// turn: making a thread can cost more than a small file's whole keying, over
// a millisecond under Wine. Never destroyed, as its threads never end.
class WorkerPool
{
public:
    // Runs jobs[0] on the calling thread and the others on the pool's threads,
    // or, where there are too few, after jobs[0]. False, with nothing run, while
    // another caller's jobs hold the pool, as when a job runs jobs of its own.
    bool run(const std::vector<std::function<void()>> &jobs)
    {
        // A thread that already runs a batch's job must not take the pool
        // lock again: trying a mutex one holds is undefined.
        if (inBatch)
            return false;
        std::unique_lock caller(callerMutex, std::try_to_lock);
        if (!caller)
            return false;
        inBatch = true;
        const struct Leaving
        {
            ~Leaving() { inBatch = false; }
        } leaving;
        const std::size_t handedOut = threadsFor(std::min<std::size_t>(jobs.size() - 1, mostWorkers - 1));
        {
            const std::lock_guard lock(mutex);
            batch = &jobs;
            batchHandedOut = handedOut;
            unfinished = handedOut;
            ++generation;
        }
        handed.notify_all();
        jobs.front()();
        for (std::size_t i = handedOut + 1; i < jobs.size(); ++i)
            jobs[i]();
        std::unique_lock lock(mutex);
        finished.wait(lock, [this] { return unfinished == 0; });
        batch = nullptr;
        return true;
    }

private:
    // Starts threads up to the number wanted, where the system lets it; how
    // many of them take a job.
    std::size_t threadsFor(std::size_t wanted)
    {
        try {
            while (threads.size() < wanted)
                threads.emplace_back([this, index = threads.size()] { serve(index + 1); });
        } catch (const std::system_error &) {
        }
        return std::min(wanted, threads.size());
    }

    // Runs jobs[index] of each batch that hands it out. The caller waits for
    // every job handed out, so no batch passes a thread by.
    void serve(std::size_t index)
    {
        inBatch = true;
        std::uint64_t seen = 0;
        std::unique_lock lock(mutex);
        for (;;) {
            handed.wait(lock, [&] { return generation != seen; });
            seen = generation;
            if (!batch || index > batchHandedOut)
                continue;
            const std::function<void()> &job = (*batch)[index];
            lock.unlock();
            job();
            lock.lock();
            if (--unfinished == 0)
                finished.notify_one();
        }
    }

    static thread_local bool inBatch;
    std::mutex callerMutex;
    std::mutex mutex;
    std::condition_variable handed;
    std::condition_variable finished;
    const std::vector<std::function<void()>> *batch = nullptr;
    std::size_t batchHandedOut = 0;
    std::uint64_t generation = 0;
    std::size_t unfinished = 0;
    std::vector<std::thread> threads;
};

thread_local bool WorkerPool::inBatch = false;

// Each job on a thread of its own, for a caller that finds the pool taken.
void runOnNewThreads(const std::vector<std::function<void()>> &jobs)
{
    std::vector<std::jthread> threads;
    for (std::size_t i = 1; i < jobs.size(); ++i) {
        try {
            threads.emplace_back(jobs[i]);
        } catch (const std::system_error &) {
            jobs[i]();
        }
    }
    jobs.front()();
}

} // namespace

unsigned workerCount(std::int64_t units, std::int64_t unitsPerWorker)
{
    return unsigned(std::clamp<std::int64_t>(units / unitsPerWorker, 1, coreCount()));
}

void runInParallel(const std::vector<std::function<void()>> &jobs)
{
    if (jobs.empty())
        return;
    if (jobs.size() == 1) {
        jobs.front()();
        return;
    }
    static WorkerPool *const pool = new WorkerPool;
    if (!pool->run(jobs))
        runOnNewThreads(jobs);
}

} // namespace ostrel
