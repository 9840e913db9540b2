#include "runtime/flush_behind.h"

#include <doctest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

using ostrel::FlushBehind;

namespace {

constexpr std::int64_t piece = std::int64_t(1) << 20;

void writeInPieces(FlushBehind &behind, std::int64_t bytes)
{
    for (std::int64_t done = 0; done < bytes; done += piece)
        behind.written(std::min(piece, bytes - done));
}

// Flushes run on a thread of their own; a generous bound, never a measure of speed.
bool becomesTrue(const std::atomic<int> &count)
{
    for (int tries = 0; tries < 1000 && count == 0; ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return count > 0;
}

} // namespace

TEST_CASE("an output is flushed while written only when large enough and once enough is written")
{
    struct Row
    {
        const char *name;
        std::int64_t outputSize;
        std::int64_t written;
        bool flushedEarly;
    };
    const Row rows[] = {
        {"an output too small for a flush to overlap anything", FlushBehind::smallestFlushed - 1,
         FlushBehind::smallestFlushed - 1, false},
        {"a large output with less than a flush's worth written", 4 * FlushBehind::flushEvery,
         FlushBehind::flushEvery - 1, false},
        {"a large output with a flush's worth written", 4 * FlushBehind::flushEvery, FlushBehind::flushEvery, true},
        {"a large output written whole", 4 * FlushBehind::flushEvery, 4 * FlushBehind::flushEvery, true},
    };
    for (const Row &row : rows) {
        CAPTURE(row.name);
        std::atomic<int> flushes{0};
        FlushBehind behind([&] { ++flushes; }, row.outputSize);
        writeInPieces(behind, row.written);
        if (row.flushedEarly)
            CHECK(becomesTrue(flushes));
        behind.stop();
        if (!row.flushedEarly)
            CHECK(flushes == 0);
    }
}

// The commit closes the file once the flusher stops: a flush after that, or
// two at once, would reach a closed or reused descriptor.
TEST_CASE("no flush runs after stop returns, and never two at once")
{
    for (int round = 0; round < 20; ++round) {
        CAPTURE(round);
        std::atomic<bool> stopped{false};
        std::atomic<int> running{0};
        std::atomic<int> lateFlushes{0};
        std::atomic<int> overlappingFlushes{0};
        std::atomic<int> flushes{0};
        FlushBehind behind(
            [&] {
                if (stopped)
                    ++lateFlushes;
                if (++running > 1)
                    ++overlappingFlushes;
                std::this_thread::sleep_for(std::chrono::microseconds(200));
                if (stopped)
                    ++lateFlushes;
                --running;
                ++flushes;
            },
            std::int64_t(1) << 40);
        std::atomic<bool> writing{true};
        std::atomic<int> writesAfterStop{0};
        std::vector<std::jthread> writers;
        for (int w = 0; w < 2; ++w) {
            writers.emplace_back([&] {
                while (writing) {
                    behind.written(FlushBehind::flushEvery / 4);
                    if (stopped)
                        ++writesAfterStop;
                }
            });
        }
        // Stops with flushes under way and writes still coming in.
        CHECK(becomesTrue(flushes));
        behind.stop();
        stopped = true;
        CHECK(becomesTrue(writesAfterStop));
        writing = false;
        writers.clear();
        CHECK(lateFlushes == 0);
        CHECK(overlappingFlushes == 0);
    }
}
