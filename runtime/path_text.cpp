#include "runtime/path_text.h"

namespace ostrel {

namespace {

std::string displayPath(const std::filesystem::path &path, std::string_view streamName)
{
    if (isStandardStream(path))
        return std::string(streamName);
    std::error_code ignored;
    std::filesystem::path absolute = std::filesystem::absolute(path, ignored);
    if (absolute.empty())
        absolute = path;
    return pathText(absolute.lexically_normal().make_preferred());
}

} // namespace

std::string pathText(const std::filesystem::path &path)
{
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

std::filesystem::path pathFromText(std::string_view utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool isStandardStream(const std::filesystem::path &path)
{
    return path.native().size() == 1 && path.native()[0] == '-';
}

std::string displayInputPath(const std::filesystem::path &path)
{
    return displayPath(path, "standard input");
}

std::string displayOutputPath(const std::filesystem::path &path)
{
    return displayPath(path, "standard output");
}

} // namespace ostrel
