#pragma once

#include "runtime/result.h"

#include <memory>

#include <sys/stat.h>

namespace ostrel {

// Whether a file open for reading has been written to since the watch began.
// The system reports every write by a program of this machine; size and
// last-write time also show writes from other machines of a network file
// system, which that report misses.
class FileWatch
{
public:
    // The watch starts before the file's size and time are taken, so that no
    // write after them goes unseen. The descriptor stays the caller's.
    static Result<std::unique_ptr<FileWatch>> start(int descriptor);
    ~FileWatch();
    FileWatch(const FileWatch &) = delete;
    FileWatch &operator=(const FileWatch &) = delete;

    // The file's status as the watch began.
    const struct stat &status() const { return initial; }

    bool changed() const;

private:
    explicit FileWatch(int descriptor);

    int file;
    int writes = -1; // reports of writes, where the system gives them
    struct stat initial = {};
    mutable bool changeSeen = false;
};

} // namespace ostrel
