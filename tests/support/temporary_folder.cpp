#include "support/temporary_folder.h"

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <string>
#include <system_error>

namespace support {

TemporaryFolder::TemporaryFolder(const std::filesystem::path &base)
{
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (int attempt = 0; attempt < 100; ++attempt) {
        root = base / ("ostrel-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        if (std::filesystem::create_directory(root))
            return;
    }
    throw std::runtime_error("cannot make a temporary folder");
}

namespace {

// Tests take permissions away; give them back so that everything can go.
void openUp(const std::filesystem::path &folder)
{
    std::error_code ignored;
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ignored);
    for (const auto &entry : std::filesystem::directory_iterator(folder, ignored)) {
        if (entry.is_directory(ignored) && !entry.is_symlink(ignored))
            openUp(entry.path());
    }
}

} // namespace

TemporaryFolder::~TemporaryFolder()
{
    openUp(root);
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
}

} // namespace support
