#pragma once

#include <QtGlobal>

namespace faults {

#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool addressSanitized = true;
#elif defined(__has_feature)
inline constexpr bool addressSanitized = __has_feature(address_sanitizer);
#else
inline constexpr bool addressSanitized = false;
#endif

// The big inputs are scaled down under AddressSanitizer, which costs several
// times the time and memory per byte; the normal build uses the real sizes.
inline constexpr qsizetype sizeDivisor = addressSanitized ? 8 : 1;

} // namespace faults
