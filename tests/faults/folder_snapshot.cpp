#include "folder_snapshot.h"

#include <algorithm>
#include <fstream>

namespace faults {

namespace {

// FNV-1a: enough to tell one earlier output from another.
std::string checksum(const std::filesystem::path &path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return "unreadable";
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        for (std::streamsize i = 0; i < file.gcount(); ++i)
            hash = (hash ^ static_cast<unsigned char>(buffer[i])) * 0x100000001b3ULL;
    }
    return std::to_string(hash);
}

} // namespace

std::vector<std::string> snapshotFolder(const std::filesystem::path &folder)
{
    std::vector<std::string> entries;
    for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = entry.path().lexically_relative(folder).generic_string();
        if (entry.is_symlink())
            entries.push_back(name + " (link)");
        else if (entry.is_directory())
            entries.push_back(name + '/');
        else if (entry.is_regular_file())
            entries.push_back(name + ' ' + std::to_string(entry.file_size()) + ' ' + checksum(entry.path()));
        else
            entries.push_back(name + " (special)");
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

} // namespace faults
