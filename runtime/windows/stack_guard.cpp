// Seeds the stack protector's guard before the protector's own start-up code
// runs, which leaves a guard already set alone. That code asks the old
// cryptography interface for its random bytes, and loading that interface
// costs a short run more than its sorting: tens of milliseconds, under Wine
// above all. The system's random generator gives the bytes for nothing.
#if defined(__SSP__) || defined(__SSP_STRONG__) || defined(__SSP_ALL__)

#include <cstdint>

#include <windows.h>

// RtlGenRandom, as advapi32 exports it.
extern "C" BOOLEAN NTAPI SystemFunction036(PVOID buffer, ULONG length);
extern "C" std::uintptr_t __stack_chk_guard;

// Unguarded itself: its own check would fail once the guard has changed.
extern "C" __attribute__((constructor(101), no_stack_protector)) void ostrel_seed_stack_guard()
{
    std::uintptr_t guard = 0;
    if (SystemFunction036(&guard, sizeof guard) && guard != 0)
        __stack_chk_guard = guard;
}

#endif
