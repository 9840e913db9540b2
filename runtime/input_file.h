#pragma once

#include "runtime/held_file_wait.h"
#include "runtime/result.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace ostrel {

// The reason given for an input that another program wrote to, shortened or
// grew while it was being read and used.
inline constexpr std::string_view inputChangedReason = "The file changed while it was read";

// Where the bytes of an input are held; each platform has its own kinds.
class InputSource
{
public:
    virtual ~InputSource() = default;
    // Asked once the bytes have been used: fails where they may not be what
    // the file held throughout.
    virtual Result<void> keptThroughout() const { return {}; }
};

// The whole input in memory, and what tells whether the file kept it.
class InputContents
{
public:
    InputContents() = default;
    InputContents(std::unique_ptr<InputSource> source, std::string_view bytes)
        : heldBy(std::move(source)), view(bytes)
    {
    }

    std::string_view bytes() const { return view; }
    Result<void> keptThroughout() const { return heldBy ? heldBy->keptThroughout() : Result<void>(); }

private:
    std::unique_ptr<InputSource> heldBy;
    std::string_view view;
};

// Reads the whole file, or standard input for "-", waiting out a program
// that holds it for a moment. Throws std::bad_alloc when it does not fit in
// memory.
Result<InputContents> readInputFile(const std::filesystem::path &path, const HeldFileWait &wait);

// An input too large to hold whole, read a piece at a time.
class InputReader
{
public:
    // Opens the file, or standard input for "-", as readInputFile does.
    static Result<std::unique_ptr<InputReader>> open(const std::filesystem::path &path, const HeldFileWait &wait);
    virtual ~InputReader() = default;

    // The file's size as it was opened; empty for a pipe or device, which
    // can only be read once, in order.
    virtual std::optional<std::int64_t> size() const = 0;
    // Up to into.size() bytes from offset, fewer only at the end; a pipe
    // or device gives its next bytes, whatever the offset.
    virtual Result<std::size_t> readAt(std::int64_t offset, std::span<char> into) = 0;
    // Asked once the bytes have been used, as InputSource is.
    virtual Result<void> keptThroughout() const = 0;
};

} // namespace ostrel
