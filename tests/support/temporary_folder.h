#pragma once

#include <filesystem>
#include <string_view>

namespace support {

// A fresh folder of its own, removed with everything in it at the end.
class TemporaryFolder
{
public:
    explicit TemporaryFolder(const std::filesystem::path &base = std::filesystem::temp_directory_path());
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder &) = delete;
    TemporaryFolder &operator=(const TemporaryFolder &) = delete;

    const std::filesystem::path &path() const { return root; }
    std::filesystem::path operator/(std::string_view relative) const { return root / relative; }

private:
    std::filesystem::path root;
};

} // namespace support
