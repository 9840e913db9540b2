#pragma once

#include "runtime/result.h"

#include <optional>
#include <span>
#include <string_view>

#include <sys/types.h>

namespace ostrel {

// Reads until `into` is full or the file ends, at the offset given or, for a
// pipe, in order; returns how many bytes came.
Result<std::size_t> readAll(int descriptor, std::span<char> into, std::optional<off_t> offset);

// Writes every byte, at the offset given or in order. A limit or a full disk
// reached part way gives a short write with no error set; writing on makes
// the system name the reason.
Result<void> writeAll(int descriptor, std::string_view bytes, std::optional<off_t> offset);

} // namespace ostrel
