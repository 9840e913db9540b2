#include "runtime/parallel.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace ostrel {

unsigned workerCount(std::int64_t units, std::int64_t unitsPerWorker)
{
    // Asked once: the system reads it from a file each time.
    static const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    return unsigned(std::clamp<std::int64_t>(units / unitsPerWorker, 1, cores));
}

void runInParallel(const std::vector<std::function<void()>> &jobs)
{
    if (jobs.empty())
        return;
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
