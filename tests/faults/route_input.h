#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace faults {

// A route file of records of recordLength bytes with distinct keys, in no
// particular order; routeCode (four bytes, columns 1-4) tells files apart.
std::string distinctRouteFile(std::size_t records, std::size_t recordLength, std::string_view routeCode);

} // namespace faults
