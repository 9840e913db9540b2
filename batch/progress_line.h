#pragma once

#include "runtime/progress.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace ostrel {

// A long run's step and how far it has come, as one line on standard error
// rewritten in place, for a person at a terminal; cleared when the run ends,
// before its message. Redirected, standard error carries the messages only.
class ProgressLine
{
public:
    explicit ProgressLine(const Progress &progress);
    ProgressLine(const ProgressLine &) = delete;
    ProgressLine &operator=(const ProgressLine &) = delete;
    ~ProgressLine();

private:
    void showUntilEnded();

    const Progress &progress;
    std::mutex lock;
    std::condition_variable endedOrDue;
    bool ended = false;
    std::thread shower;
};

} // namespace ostrel
