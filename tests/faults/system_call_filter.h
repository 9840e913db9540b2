#pragma once

#include <initializer_list>

namespace faults {

// For a child, just before the program starts: system calls that end the
// process or fail, as a kill at the wrong moment or a file system without
// some feature would. Each filter adds to those already set.

// Ends the process, as uncatchably as SIGKILL, the moment it first makes one
// of these calls (at most eight).
void dieAtFirstOf(std::initializer_list<long> systemCalls);

// Opening a file without a name (O_TMPFILE) fails as it does where the file
// system has no such files.
void refuseUnnamedFiles();

// No report of writes to a file (inotify) can be had, as when the user's
// watches are all taken by others.
void refuseFileWatches();

} // namespace faults
