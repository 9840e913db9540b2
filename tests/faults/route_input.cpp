#include "route_input.h"

#include <cstdint>
#include <cstring>

namespace faults {

std::string distinctRouteFile(std::size_t records, std::size_t recordLength, std::string_view routeCode)
{
    const std::size_t lineLength = recordLength + 2;
    std::string file(records * lineLength, '.');
    char *line = file.data();
    for (std::size_t i = 0; i < records; ++i, line += lineLength) {
        // Multiplying by an odd number is a bijection on 32 bits: distinct and
        // shuffled. Ten digits at most, so columns 7-9 never read "375".
        const std::string digits = std::to_string(std::uint32_t(std::uint32_t(i) * 2654435761u));
        const std::string number = std::string(15 - digits.size(), '0') + digits;
        std::memcpy(line, routeCode.data(), routeCode.size());
        std::memcpy(line + 4, number.data(), 15);
        std::memcpy(line + recordLength, "\r\n", 2);
    }
    return file;
}

} // namespace faults
