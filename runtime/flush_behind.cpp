#include "runtime/flush_behind.h"

#include <system_error>
#include <utility>

namespace ostrel {

FlushBehind::FlushBehind(std::function<void()> flush, std::int64_t outputSize) : flushWritten(std::move(flush))
{
    if (outputSize < smallestFlushed)
        return;
    try {
        flusher = std::thread([this] { flushWhileWritten(); });
        flushing = true;
    } catch (const std::system_error &) {
        // Without a thread to spare, the commit's flush does it all.
    }
}

void FlushBehind::written(std::int64_t bytes)
{
    if (!flushing)
        return;
    {
        const std::lock_guard lock(mutex);
        unflushed += bytes;
        if (unflushed < flushEvery)
            return;
    }
    wakeUp.notify_one();
}

void FlushBehind::stop()
{
    if (!flusher.joinable())
        return;
    {
        const std::lock_guard lock(mutex);
        stopping = true;
    }
    wakeUp.notify_one();
    flusher.join();
}

void FlushBehind::flushWhileWritten()
{
    std::unique_lock lock(mutex);
    for (;;) {
        wakeUp.wait(lock, [this] { return stopping || unflushed >= flushEvery; });
        if (stopping)
            return;
        unflushed = 0;
        lock.unlock();
        flushWritten();
        lock.lock();
    }
}

} // namespace ostrel
