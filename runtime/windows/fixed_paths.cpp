#include "runtime/fixed_paths.h"

#include "runtime/path_text.h"

namespace ostrel {

std::filesystem::path platformPath(std::string_view windowsPath)
{
    return pathFromText(windowsPath);
}

} // namespace ostrel
