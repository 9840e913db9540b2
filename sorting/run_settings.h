#pragma once

#include "runtime/memory_bound.h"
#include "runtime/path_text.h"
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

    // Where the runs go: the folder chosen; else beside the output, on its
    // drive, which must hold the output anyway; else the system's own.
    std::filesystem::path runsFolder(const std::filesystem::path &outputPath) const
    {
        std::error_code unknown;
        if (!temporaryFolder.empty())
            return temporaryFolder;
        if (outputPath.empty() || isStandardStream(outputPath))
            return std::filesystem::temp_directory_path(unknown);
        const std::filesystem::path folder = outputPath.parent_path();
        return folder.empty() ? std::filesystem::path(".") : folder;
    }
};

} // namespace ostrel
