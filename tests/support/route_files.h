#pragma once

#include <cstddef>
#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace support {

// A record of the given length, filled with dots, with each text placed at
// its 1-based column.
std::string routeRecord(std::size_t length, std::initializer_list<std::pair<std::size_t, std::string_view>> placed);

// The text left-justified in a field of the width, as name columns hold it.
std::string padded(std::string_view text, std::size_t width);

// Throws when the file cannot be written, which fails the test at hand.
void writeFile(const std::filesystem::path &path, std::string_view bytes);
// Empty when the file cannot be read.
std::string readFile(const std::filesystem::path &path);

// The names of the entries of a folder, hidden ones too, sorted.
std::vector<std::string> folderEntries(const std::filesystem::path &folder);

} // namespace support
