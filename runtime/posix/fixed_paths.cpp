#include "runtime/fixed_paths.h"

#include <cstdlib>

#include <pwd.h>
#include <unistd.h>

namespace ostrel {

namespace {

std::filesystem::path homeFolder()
{
    if (const char *home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd *user = ::getpwuid(::getuid()); user && user->pw_dir)
        return user->pw_dir;
    return "/";
}

} // namespace

std::filesystem::path platformPath(std::string_view windowsPath)
{
    return homeMappedPath(windowsPath, homeFolder());
}

} // namespace ostrel
