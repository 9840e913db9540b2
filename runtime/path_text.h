#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace ostrel {

// Paths travel as UTF-8 text in messages and arguments, whatever the
// platform's own form.
std::string pathText(const std::filesystem::path &path);
std::filesystem::path pathFromText(std::string_view utf8);

// "-" names standard input or output, as command-line tools do.
inline constexpr std::string_view standardStreamName = "-";
bool isStandardStream(const std::filesystem::path &path);

// The path as the operator should see it in a message: absolute, with the
// platform's separators, or the stream's name.
std::string displayInputPath(const std::filesystem::path &path);
std::string displayOutputPath(const std::filesystem::path &path);

} // namespace ostrel
