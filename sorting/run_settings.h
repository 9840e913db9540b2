#pragma once

#include "runtime/memory_bound.h"
#include "runtime/progress.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace ostrel {

// What a run may spend, and who watches it.
struct RunSettings
{
    // Bytes of memory the run may use; without one, what the machine can give now.
    std::optional<std::int64_t> memory;
    // Where sorted runs of a file too large for the memory go; beside the output when empty.
    std::filesystem::path temporaryFolder;
    // Told of each step and how far it has come; may be null.
    Progress *progress = nullptr;

    std::int64_t memoryBound() const { return memory ? *memory : availableMemory(); }
};

} // namespace ostrel
