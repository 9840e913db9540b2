#include "support/yardstick.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const std::string difference =
        support::compareWithYardstick(std::string_view(reinterpret_cast<const char *>(bytes), size));
    if (!difference.empty()) {
        std::fprintf(stderr, "sort engine: %s\n", difference.c_str());
        std::abort();
    }
    return 0;
}
