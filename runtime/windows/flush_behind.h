#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <stop_token>
#include <thread>

#include <windows.h>

namespace ostrel {

// Sends a large output on to the disk while it is still being written, so
// that the flush of the commit finds little left to do: Windows has no call
// that only starts the writing, so a thread of its own flushes whenever
// enough has been written since its last flush, and the writers go on.
class FlushBehind
{
public:
    FlushBehind(HANDLE file, std::int64_t outputSize);
    FlushBehind(const FlushBehind &) = delete;
    FlushBehind &operator=(const FlushBehind &) = delete;

    void written(std::int64_t bytes);
    // Waits for a flush under way; none follows.
    void stop();

private:
    void flushWhileWritten(std::stop_token stopping);

    HANDLE handle;
    std::mutex mutex;
    std::condition_variable_any enoughWritten;
    std::int64_t unflushed = 0;
    std::jthread flusher;
};

} // namespace ostrel
