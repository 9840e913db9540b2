#pragma once

namespace support {

// AddressSanitizer reserves terabytes of address space up front, so a process
// it instruments cannot start under an address-space limit.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool addressSanitized = true;
#elif defined(__has_feature)
inline constexpr bool addressSanitized = __has_feature(address_sanitizer);
#else
inline constexpr bool addressSanitized = false;
#endif

} // namespace support
