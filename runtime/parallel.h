#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace ostrel {

// How many threads a job of this many units is worth, given how many units
// repay the cost of one more thread; at least 1, at most the machine's cores.
unsigned workerCount(std::int64_t units, std::int64_t unitsPerWorker);

// Runs every job, each on its own thread where one can be had, the first on
// the calling thread, and returns when all are done. Jobs must not throw.
void runInParallel(const std::vector<std::function<void()>> &jobs);

} // namespace ostrel
