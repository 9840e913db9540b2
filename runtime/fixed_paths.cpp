#include "runtime/fixed_paths.h"

#include "runtime/path_text.h"

#include <cctype>
#include <string>

namespace ostrel {

std::filesystem::path inputFilePath()
{
    return platformPath("f:\\u\\datafile\\taveld.txt");
}

std::filesystem::path outputFilePath()
{
    return platformPath("f:\\u\\datafile\\tavelsrtd.txt");
}

std::filesystem::path homeMappedPath(std::string_view windowsPath, const std::filesystem::path &homeFolder)
{
    std::string relative(windowsPath);
    if (relative.size() >= 2 && relative[1] == ':')
        relative = char(std::tolower(static_cast<unsigned char>(relative[0]))) + relative.substr(2);
    std::filesystem::path mapped = homeFolder;
    std::size_t start = 0;
    while (start <= relative.size()) {
        const std::size_t end = std::min(relative.find('\\', start), relative.size());
        if (end > start)
            mapped /= pathFromText(std::string_view(relative).substr(start, end - start));
        start = end + 1;
    }
    return mapped;
}

} // namespace ostrel
