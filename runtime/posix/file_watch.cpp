#include "runtime/posix/file_watch.h"

#include "runtime/posix/system_reason.h"

#include <cerrno>
#include <string>

#include <sys/inotify.h>
#include <unistd.h>

namespace ostrel {

FileWatch::FileWatch(int descriptor) : file(descriptor)
{
    // Watched through the open descriptor, so that it is this file that is
    // watched, whatever its name means by now. Without the report (no /proc,
    // no watches left) size and time still tell most changes.
    writes = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    const std::string self = "/proc/self/fd/" + std::to_string(descriptor);
    if (writes >= 0 && ::inotify_add_watch(writes, self.c_str(), IN_MODIFY) < 0) {
        ::close(writes);
        writes = -1;
    }
}

Result<std::unique_ptr<FileWatch>> FileWatch::start(int descriptor)
{
    std::unique_ptr<FileWatch> watch(new FileWatch(descriptor));
    if (::fstat(descriptor, &watch->initial) != 0)
        return Failure{systemReason(errno)};
    return watch;
}

FileWatch::~FileWatch()
{
    if (writes >= 0)
        ::close(writes);
}

bool FileWatch::changed() const
{
    if (changeSeen)
        return true;
    char reports[4096];
    if (writes >= 0 && ::read(writes, reports, sizeof reports) > 0)
        return changeSeen = true;
    struct stat now = {};
    changeSeen = ::fstat(file, &now) != 0 || now.st_size != initial.st_size
                 || now.st_mtim.tv_sec != initial.st_mtim.tv_sec || now.st_mtim.tv_nsec != initial.st_mtim.tv_nsec;
    return changeSeen;
}

} // namespace ostrel
