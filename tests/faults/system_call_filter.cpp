#include "system_call_filter.h"

#include <cerrno>
#include <cstddef>

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace faults {

namespace {

// Runs after fork, in a copy of a threaded process: nothing here may allocate.
void install(sock_filter *filter, unsigned short length)
{
    const sock_fprog program{length, filter};
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 || ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
        ::_exit(123);
}

constexpr sock_filter loadCallNumber = BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr));

} // namespace

void dieAtFirstOf(std::initializer_list<long> systemCalls)
{
    constexpr std::size_t most = 8;
    if (systemCalls.size() > most)
        ::_exit(122);
    sock_filter filter[most + 3];
    unsigned short length = 0;
    filter[length++] = loadCallNumber;
    const auto calls = static_cast<unsigned char>(systemCalls.size());
    for (const long call : systemCalls) {
        // Matching calls jump over the rest of the tests and the allowing return.
        const auto toKill = static_cast<unsigned char>(calls - (length - 1));
        filter[length++] = BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(call), toKill, 0);
    }
    filter[length++] = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW);
    filter[length++] = BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS);
    install(filter, length);
}

void refuseUnnamedFiles()
{
    sock_filter filter[] = {
        loadCallNumber,
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_openat, 0, 4),
        // The low half of the flags argument, on a little-endian machine.
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[2])),
        BPF_STMT(BPF_ALU | BPF_AND | BPF_K, O_TMPFILE),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, O_TMPFILE, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EOPNOTSUPP),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    install(filter, sizeof filter / sizeof filter[0]);
}

void refuseFileWatches()
{
    sock_filter filter[] = {
        loadCallNumber,
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_inotify_init1, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EMFILE),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    install(filter, sizeof filter / sizeof filter[0]);
}

} // namespace faults
