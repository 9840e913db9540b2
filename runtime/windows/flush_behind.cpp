#include "runtime/windows/flush_behind.h"

#include <system_error>

namespace ostrel {

namespace {

// Each flush has a fixed cost, and a small output is written before a flush
// could overlap anything.
constexpr std::int64_t flushEvery = std::int64_t(32) << 20;
constexpr std::int64_t smallestFlushed = 2 * flushEvery;

} // namespace

FlushBehind::FlushBehind(HANDLE file, std::int64_t outputSize) : handle(file)
{
    if (outputSize < smallestFlushed)
        return;
    try {
        flusher = std::jthread([this](std::stop_token stopping) { flushWhileWritten(stopping); });
    } catch (const std::system_error &) {
        // Without a thread to spare, the commit's flush does it all.
    }
}

void FlushBehind::written(std::int64_t bytes)
{
    if (!flusher.joinable())
        return;
    {
        const std::lock_guard lock(mutex);
        unflushed += bytes;
        if (unflushed < flushEvery)
            return;
    }
    enoughWritten.notify_one();
}

void FlushBehind::stop()
{
    if (flusher.joinable()) {
        flusher.request_stop();
        flusher.join();
    }
}

// A failed flush here is met again, and reported, by the commit's own.
void FlushBehind::flushWhileWritten(std::stop_token stopping)
{
    std::unique_lock lock(mutex);
    while (enoughWritten.wait(lock, stopping, [this] { return unflushed >= flushEvery; })
           && !stopping.stop_requested()) {
        unflushed = 0;
        lock.unlock();
        ::FlushFileBuffers(handle);
        lock.lock();
    }
}

} // namespace ostrel
