#pragma once

#include <cstddef>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace support {

// A record of the given length, filled with dots, with each text placed at
// its 1-based column.
std::string routeRecord(std::size_t length, std::initializer_list<std::pair<std::size_t, std::string_view>> placed);

// A 190-column route record as writers pad it, dots where nothing is placed:
// the route code from column 1, the name from column 18 padded with spaces to
// 30 columns, the order from column 170. nameColumns is how many columns the
// name takes as its writer counts them, its bytes unless given; each byte
// beyond that makes the record a byte longer.
std::string routeRecord(std::string_view route, std::string_view name, std::string_view order = {},
                        std::optional<std::size_t> nameColumns = {});

// The lines, each ended with CR LF, as a run writes them.
std::string routeFile(const std::vector<std::string> &lines);

// Throws when the file cannot be written, which fails the test at hand.
void writeFile(const std::filesystem::path &path, std::string_view bytes);
// Empty when the file cannot be read.
std::string readFile(const std::filesystem::path &path);

// The names of the entries of a folder, hidden ones too, sorted.
std::vector<std::string> folderEntries(const std::filesystem::path &folder);

} // namespace support
