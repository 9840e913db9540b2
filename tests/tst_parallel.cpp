#include "runtime/parallel.h"

#include <doctest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

namespace {

// Jobs that each count their own runs.
struct CountedJobs
{
    explicit CountedJobs(std::size_t count) : runs(count)
    {
        for (std::size_t i = 0; i < count; ++i)
            jobs.push_back([this, i] { ++runs[i]; });
    }
    bool eachRanOnce() const
    {
        for (const auto &count : runs) {
            if (count != 1)
                return false;
        }
        return true;
    }

    std::vector<std::atomic<int>> runs;
    std::vector<std::function<void()>> jobs;
};

} // namespace

TEST_CASE("every job runs exactly once")
{
    struct Row
    {
        const char *name;
        std::size_t jobs;
    };
    const Row rows[] = {{"none", 0}, {"one", 1}, {"two", 2}, {"eight", 8}, {"many more than the cores", 40}};
    for (const Row &row : rows) {
        SUBCASE(row.name)
        {
            for (int batch = 0; batch < 200; ++batch) {
                CountedJobs counted(row.jobs);
                ostrel::runInParallel(counted.jobs);
                CAPTURE(batch);
                REQUIRE(counted.eachRanOnce());
            }
        }
    }
}

TEST_CASE("the jobs of one batch run at the same time")
{
    // Each job waits for the other: run one after the other, they never end.
    // (A mutex, not std::barrier, whose waits MinGW's library can miss.)
    std::mutex mutex;
    std::condition_variable arrived;
    int arrivals = 0;
    const std::vector<std::function<void()>> jobs(2, [&] {
        std::unique_lock lock(mutex);
        const int round = arrivals++ / 2;
        arrived.notify_all();
        arrived.wait(lock, [&] { return arrivals >= 2 * (round + 1); });
    });
    for (int batch = 0; batch < 50; ++batch)
        ostrel::runInParallel(jobs);
    CHECK(arrivals == 100);
}
