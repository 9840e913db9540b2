#pragma once

#include "runtime/held_file_wait.h"
#include "runtime/result.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string_view>

namespace ostrel {

// The output of a run, of a size known up front. A file is written as a
// temporary file beside it, which commit() flushes to disk and renames over
// the old file; on any failure, or when the run drops it uncommitted, the old
// file stays as it was and the temporary goes. Standard output ("-"),
// devices and pipes cannot be replaced, so they are written to directly and
// take their bytes in order only.
class OutputFile
{
public:
    // Waits out programs that hold the old file or the temporary for a moment.
    static Result<std::unique_ptr<OutputFile>> create(const std::filesystem::path &path, std::int64_t size,
                                                      const HeldFileWait &wait);
    virtual ~OutputFile() = default;

    // Whether bytes may be written at any offset, from several threads at
    // once; otherwise they must come in order, from one thread.
    virtual bool writesAnywhere() const = 0;
    virtual Result<void> write(std::int64_t offset, std::string_view bytes) = 0;
    virtual Result<void> commit() = 0;
};

} // namespace ostrel
