#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace ostrel {

// Where the bytes of an input are held; each platform has its own kinds.
class InputSource
{
public:
    virtual ~InputSource() = default;
    // True when the file shrank while it was being read; the missing bytes
    // then read as zero.
    virtual bool shrankWhileRead() const { return false; }
};

// The whole input in memory: a regular file is mapped, anything else is read.
class InputContents
{
public:
    InputContents() = default;
    InputContents(std::unique_ptr<InputSource> source, std::string_view bytes)
        : heldBy(std::move(source)), view(bytes)
    {
    }

    std::string_view bytes() const { return view; }
    bool shrankWhileRead() const { return heldBy && heldBy->shrankWhileRead(); }

private:
    std::unique_ptr<InputSource> heldBy;
    std::string_view view;
};

struct InputFile
{
    InputContents contents;
    std::optional<std::string> failureReason; // the system's words
};

// Reads the whole file, or standard input for "-". Throws std::bad_alloc when
// it does not fit in memory.
InputFile readInputFile(const std::filesystem::path &path);

} // namespace ostrel
