#pragma once

#include <algorithm>
#include <chrono>

namespace ostrel {

// Virus scanners, indexers, backup agents and sync clients open a file for a
// moment just after a program writes or renames it; while one holds it,
// Windows refuses the file as it refuses one held for good. A run waits such
// holders out for about 2 seconds in all, then gives the last reason, so that
// a file held for good (a spreadsheet showing it) is still refused soon.
// Made when a run starts and handed to every step that may wait; where the
// system never refuses a file for being open, nothing waits.
class HeldFileWait
{
public:
    using Clock = std::chrono::steady_clock;

    HeldFileWait() : ends(Clock::now() + std::chrono::seconds(2)) {}

    // What is left of the run's waiting time; zero once it is spent.
    std::chrono::milliseconds left() const
    {
        return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(ends - Clock::now()),
                        std::chrono::milliseconds::zero());
    }

private:
    Clock::time_point ends;
};

} // namespace ostrel
