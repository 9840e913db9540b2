#include "runtime/parallel.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
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

} // namespace

unsigned workerCount(std::int64_t units, std::int64_t unitsPerWorker)
{
    return unsigned(std::clamp<std::int64_t>(units / unitsPerWorker, 1, coreCount()));
}

void runInParallel(const std::vector<std::function<void()>> &jobs)
{
    if (jobs.empty())
        return;
    // Made anew for each call: threads kept from one call to the next gained
    // nothing measurable.
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

} // namespace ostrel
