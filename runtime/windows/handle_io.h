#pragma once

#include "runtime/result.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include <windows.h>

namespace ostrel {

// On a synchronous handle: reads until `into` is full or the file or pipe
// ends, at the offset given or, for a pipe, in order; returns how many bytes
// came.
Result<std::size_t> readAll(HANDLE handle, std::span<char> into, std::optional<std::int64_t> offset);

// On a synchronous handle: writes every byte, at the offset given or in order.
Result<void> writeAll(HANDLE handle, std::string_view bytes, std::optional<std::int64_t> offset);

} // namespace ostrel
