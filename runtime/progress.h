#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <optional>
#include <string_view>

namespace ostrel {

// How far a long run has come: set by the run as it works, read from any
// other thread by whatever shows it to the operator.
class Progress
{
public:
    enum class Step { Starting, Reading, Sorting, Merging, Writing };

    struct Seen
    {
        Step step = Step::Starting;
        std::optional<int> percent; // of the step's work, where it is known
    };

    // A new step of `total` units of work, none of them done yet; 0 where
    // the step cannot tell how much it has to do.
    void begin(Step step, std::int64_t total)
    {
        done.store(0, std::memory_order_relaxed);
        whole.store(total, std::memory_order_relaxed);
        current.store(step, std::memory_order_release);
    }
    void advance(std::int64_t units) { done.fetch_add(units, std::memory_order_relaxed); }

    Seen seen() const
    {
        const Step step = current.load(std::memory_order_acquire);
        const std::int64_t total = whole.load(std::memory_order_relaxed);
        if (total <= 0)
            return {step, std::nullopt};
        const std::int64_t part = std::clamp<std::int64_t>(done.load(std::memory_order_relaxed), 0, total);
        return {step, int(part * 100 / total)};
    }

private:
    std::atomic<Step> current{Step::Starting};
    std::atomic<std::int64_t> done{0};
    std::atomic<std::int64_t> whole{0};
};

// The step as the operator reads it.
constexpr std::string_view stepName(Progress::Step step)
{
    switch (step) {
    case Progress::Step::Reading:
        return "Reading";
    case Progress::Step::Sorting:
        return "Sorting";
    case Progress::Step::Merging:
        return "Merging";
    case Progress::Step::Writing:
        return "Writing";
    default:
        return "Starting";
    }
}

// Reports to a run's progress where it has one.
inline void beginStep(Progress *progress, Progress::Step step, std::int64_t total)
{
    if (progress)
        progress->begin(step, total);
}
inline void advanceStep(Progress *progress, std::int64_t units)
{
    if (progress)
        progress->advance(units);
}

} // namespace ostrel
