#include "runtime/posix/truncation_guard.h"

#include <atomic>
#include <csignal>

#include <sys/mman.h>
#include <unistd.h>

namespace ostrel {

namespace {

std::atomic<bool> active{false};
std::atomic<const char *> guardedStart{nullptr};
std::atomic<std::int64_t> guardedSize{0};
std::atomic<bool> faultSeen{false};
std::int64_t pageSize = 4096;
struct sigaction previousAction;

void onBusError(int signal, siginfo_t *info, void *context)
{
    const char *address = static_cast<const char *>(info->si_addr);
    const char *start = guardedStart.load();
    const std::int64_t size = guardedSize.load();
    if (start && address >= start && address < start + size) {
        char *page = const_cast<char *>(start) + ((address - start) & ~(pageSize - 1));
        void *zeros = ::mmap(page, std::size_t(pageSize), PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros != MAP_FAILED) {
            faultSeen = true;
            return;
        }
    }
    // Not a fault of the guarded mapping: let whoever handled it before decide.
    if (previousAction.sa_flags & SA_SIGINFO) {
        previousAction.sa_sigaction(signal, info, context);
    } else if (previousAction.sa_handler != SIG_IGN && previousAction.sa_handler != SIG_DFL) {
        previousAction.sa_handler(signal);
    } else {
        ::sigaction(SIGBUS, &previousAction, nullptr);
        ::raise(SIGBUS);
    }
}

} // namespace

std::unique_ptr<TruncationGuard> TruncationGuard::guard(const char *mapping, std::int64_t size)
{
    if (active.exchange(true))
        return nullptr;
    pageSize = ::sysconf(_SC_PAGESIZE);
    guardedStart = mapping;
    guardedSize = size;
    faultSeen = false;
    struct sigaction action = {};
    action.sa_sigaction = onBusError;
    action.sa_flags = SA_SIGINFO;
    sigemptyset(&action.sa_mask);
    if (::sigaction(SIGBUS, &action, &previousAction) != 0) {
        active = false;
        return nullptr;
    }
    return std::unique_ptr<TruncationGuard>(new TruncationGuard);
}

TruncationGuard::~TruncationGuard()
{
    ::sigaction(SIGBUS, &previousAction, nullptr);
    guardedStart = nullptr;
    guardedSize = 0;
    active = false;
}

bool TruncationGuard::faulted() const
{
    return faultSeen;
}

} // namespace ostrel
