#include "platform/HomeFolders.h"

#include <cstdlib>
#include <pwd.h>
#include <unistd.h>

namespace varnholt {

std::string currentUserHome()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    if (const passwd* entry = getpwuid(getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return "/";
}

HomeFolders HomeFolders::fromEnvironment()
{
    const std::string home = currentUserHome();
    return {home, home};
}

std::string expandTilde(const std::string& path, const std::string& home)
{
    if (path == "~")
        return home;
    if (path.rfind("~/", 0) == 0)
        return home + path.substr(1);
    return path;
}

} // namespace varnholt
