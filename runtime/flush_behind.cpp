#include "runtime/flush_behind.h"

#include <system_error>
#include <utility>

namespace ostrel {

FlushBehind::FlushBehind(std::function<void()> flush, std::int64_t outputSize) : flushWritten(std::move(flush))
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

void FlushBehind::flushWhileWritten(std::stop_token stopping)
{
    std::unique_lock lock(mutex);
    while (enoughWritten.wait(lock, stopping, [this] { return unflushed >= flushEvery; })
           && !stopping.stop_requested()) {
        unflushed = 0;
        lock.unlock();
        flushWritten();
        lock.lock();
    }
}

} // namespace ostrel
