#include "batch/progress_line.h"

#include "runtime/console.h"

#include <algorithm>
#include <chrono>
#include <string>

namespace ostrel {

namespace {

using namespace std::chrono_literals;

// A sort that ends within a second shows nothing but its message.
constexpr auto firstShown = 1s;
constexpr auto shownEvery = 250ms;

} // namespace

ProgressLine::ProgressLine(const Progress &watched) : progress(watched)
{
    if (isTerminal(StandardStream::Error))
        shower = std::thread([this] { showUntilEnded(); });
}

ProgressLine::~ProgressLine()
{
    if (!shower.joinable())
        return;
    {
        const std::lock_guard<std::mutex> hold(lock);
        ended = true;
    }
    endedOrDue.notify_one();
    shower.join();
}

void ProgressLine::showUntilEnded()
{
    std::unique_lock<std::mutex> hold(lock);
    if (endedOrDue.wait_for(hold, firstShown, [this] { return ended; }))
        return;
    std::size_t shownLength = 0;
    do {
        const Progress::Seen seen = progress.seen();
        std::string line = "\r";
        line += stepName(seen.step);
        if (seen.percent)
            line.append(" ").append(std::to_string(*seen.percent)).append("%");
        // Padded over what the line showed before, which may have been longer.
        const std::size_t length = line.size();
        line.resize(std::max(length, shownLength), ' ');
        shownLength = length;
        writeText(StandardStream::Error, line);
    } while (!endedOrDue.wait_for(hold, shownEvery, [this] { return ended; }));
    std::string cleared(shownLength + 1, ' ');
    cleared.front() = cleared.back() = '\r';
    writeText(StandardStream::Error, cleared);
}

} // namespace ostrel
