#pragma once

#include <cstdint>
#include <memory>

namespace ostrel {

// While alive, a bus error from reading past the end of a file that shrank
// under its mapping is absorbed: the page reads as zeros and the guard
// remembers it, instead of the process being killed. One mapping at a time.
class TruncationGuard
{
public:
    // Null when another mapping is already guarded.
    static std::unique_ptr<TruncationGuard> guard(const char *mapping, std::int64_t size);
    ~TruncationGuard();

    TruncationGuard(const TruncationGuard &) = delete;
    TruncationGuard &operator=(const TruncationGuard &) = delete;

    bool faulted() const;

private:
    TruncationGuard() = default;
};

} // namespace ostrel
