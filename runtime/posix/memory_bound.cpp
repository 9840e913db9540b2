#include "runtime/memory_bound.h"

#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace ostrel {

namespace {

std::string fileText(const std::filesystem::path &path)
{
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A "Name:   1234 kB" field of /proc/meminfo or /proc/self/status, in bytes.
std::optional<std::int64_t> kilobyteField(const std::string &text, const std::string &name)
{
    // Found after a line's end, the leading one included, so no name can match another's tail.
    const std::size_t start = ('\n' + text).find('\n' + name + ':');
    if (start == std::string::npos)
        return std::nullopt;
    std::istringstream field(text.substr(start + name.size() + 1, 32));
    std::int64_t kilobytes = 0;
    if (!(field >> kilobytes))
        return std::nullopt;
    return kilobytes * 1024;
}

std::optional<std::int64_t> underLimit(int resource, const std::optional<std::int64_t> &used)
{
    rlimit limit{};
    if (getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY || !used)
        return std::nullopt;
    return std::int64_t(limit.rlim_cur) - *used;
}

// The least room under the memory.max of the process's cgroup and of each
// group above it, each of which holds every process below.
std::optional<std::int64_t> underControlGroups()
{
    const std::string membership = fileText("/proc/self/cgroup");
    if (!membership.starts_with("0::/"))
        return std::nullopt;
    std::filesystem::path group =
        std::filesystem::path("/sys/fs/cgroup") / membership.substr(4, membership.find('\n') - 4);
    std::optional<std::int64_t> room;
    for (; group.has_relative_path() && group != "/sys/fs"; group = group.parent_path()) {
        const std::string limit = fileText(group / "memory.max");
        const std::string used = fileText(group / "memory.current");
        if (limit.empty() || limit.starts_with("max") || used.empty())
            continue;
        const std::int64_t free = std::strtoll(limit.c_str(), nullptr, 10) - std::strtoll(used.c_str(), nullptr, 10);
        room = room ? std::min(*room, free) : free;
    }
    return room;
}

} // namespace

std::int64_t availableMemory()
{
    const std::string status = fileText("/proc/self/status");
    return boundWithin({kilobyteField(fileText("/proc/meminfo"), "MemAvailable"),
                        underLimit(RLIMIT_AS, kilobyteField(status, "VmSize")),
                        underLimit(RLIMIT_DATA, kilobyteField(status, "VmData")), underControlGroups()});
}

} // namespace ostrel
