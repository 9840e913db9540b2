#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>

namespace ostrel {

// Makes a large output durable while it is still being written, so that the
// flush of the commit finds little left to do: a thread of its own flushes
// whenever enough has been written since its last flush, and the writers go
// on. A disk that takes writes into a cache of its own does the real work
// only when flushed, so without this it would start only once all is written.
class FlushBehind
{
public:
    // `flush` makes what was written so far durable; its failure is met
    // again, and reported, by the commit's own flush.
    FlushBehind(std::function<void()> flush, std::int64_t outputSize);
    FlushBehind(const FlushBehind &) = delete;
    FlushBehind &operator=(const FlushBehind &) = delete;
    ~FlushBehind() { stop(); }

    // Each flush has a fixed cost, and a small output is written before a
    // flush could overlap anything.
    static constexpr std::int64_t flushEvery = std::int64_t(16) << 20;
    static constexpr std::int64_t smallestFlushed = 2 * flushEvery;

    void written(std::int64_t bytes);
    // Waits for a flush under way; none follows.
    void stop();

private:
    void flushWhileWritten();

    std::function<void()> flushWritten;
    std::mutex mutex;
    // A plain flag and condition variable: with the stop-token wait, a stop
    // under Wine once waited for ever.
    std::condition_variable wakeUp;
    std::int64_t unflushed = 0;
    bool stopping = false;
    std::thread flusher;
    // Set once, before any writer can call: the thread itself is joined meanwhile.
    bool flushing = false;
};

} // namespace ostrel
