#include "runtime/memory_bound.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>

namespace ostrel {

namespace {

std::int64_t privateBytes()
{
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (!K32GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS *>(&counters),
                                 sizeof counters))
        return 0;
    return std::int64_t(counters.PrivateUsage);
}

// What a job the process runs in still allows it: its own limit less what it
// holds, and the whole job's less the most the job has held.
std::optional<std::int64_t> underJobLimit()
{
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION job{};
    if (!QueryInformationJobObject(nullptr, JobObjectExtendedLimitInformation, &job, sizeof job, nullptr))
        return std::nullopt;
    const DWORD flags = job.BasicLimitInformation.LimitFlags;
    std::optional<std::int64_t> room;
    if (flags & JOB_OBJECT_LIMIT_PROCESS_MEMORY)
        room = std::int64_t(job.ProcessMemoryLimit) - privateBytes();
    if (flags & JOB_OBJECT_LIMIT_JOB_MEMORY) {
        const std::int64_t jobRoom = std::int64_t(job.JobMemoryLimit) - std::int64_t(job.PeakJobMemoryUsed);
        room = room ? std::min(*room, jobRoom) : jobRoom;
    }
    return room;
}

} // namespace

std::int64_t availableMemory()
{
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status))
        return boundWithin({underJobLimit()});
    return boundWithin({std::int64_t(status.ullAvailPhys), std::int64_t(status.ullAvailVirtual), underJobLimit()});
}

} // namespace ostrel
