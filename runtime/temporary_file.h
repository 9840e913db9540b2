#pragma once

#include "runtime/held_file_wait.h"
#include "runtime/result.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>

namespace ostrel {

// Bytes a run keeps on disk for a while, as the sorted runs of a file too
// large for the memory. Where the system allows, the file has no name, so
// not even a killed run leaves it behind; elsewhere it is deleted when
// closed, as it is when dropped.
class TemporaryFile
{
public:
    // Waits out programs that hold the new file for a moment.
    static Result<std::unique_ptr<TemporaryFile>> create(const std::filesystem::path &folder,
                                                         const HeldFileWait &wait);
    virtual ~TemporaryFile() = default;

    // Safe from several threads at once, at offsets of their own.
    virtual Result<void> writeAt(std::int64_t offset, std::string_view bytes) = 0;
    // Up to into.size() bytes from offset, fewer only at the end.
    virtual Result<std::size_t> readAt(std::int64_t offset, std::span<char> into) = 0;
};

} // namespace ostrel
