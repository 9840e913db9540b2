#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace ostrel {

// How much work repays one more thread; below it, a thread costs more than
// it saves.
inline constexpr std::int64_t recordsPerWorker = 64 * 1024;      // keying, sorting, writing records
inline constexpr std::int64_t surveyedBytesPerWorker = 4 << 20; // the first pass over a text
inline constexpr std::int64_t writtenBytesPerWorker = 16 << 20; // gathering lines into the output

// How many threads a job of this many units is worth, given how many units
// repay the cost of one more thread; at least 1, at most the machine's cores.
unsigned workerCount(std::int64_t units, std::int64_t unitsPerWorker);

// Runs every job, each on its own thread where one can be had, the first on
// the calling thread, and returns when all are done. Jobs must not throw.
void runInParallel(const std::vector<std::function<void()>> &jobs);

} // namespace ostrel
