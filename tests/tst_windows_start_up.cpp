#include <doctest.h>

#include <cstdint>
#include <initializer_list>

#include <windows.h>

extern "C" std::uintptr_t __stack_chk_guard;

// What the stack protector falls back to without random bytes: it stops
// string overruns only.
constexpr std::uintptr_t terminatorGuard = std::uintptr_t(0xff0a) << (8 * (sizeof(std::uintptr_t) - 2));

// The cryptography provider is let go again once the guard is set, but the
// window system it brought in stays: its presence in a console program shows
// that the provider was loaded.
TEST_CASE("a program starts without the cryptography interface, and its stack guard is random all the same")
{
    for (const char *library : {"rsaenh.dll", "user32.dll", "gdi32.dll"}) {
        CAPTURE(library);
        CHECK(::GetModuleHandleA(library) == nullptr);
    }
    CHECK(__stack_chk_guard != 0);
    CHECK(__stack_chk_guard != terminatorGuard);
}
