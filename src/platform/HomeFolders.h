#pragma once

#include <string>

namespace varnholt {

// Two homes on Linux: the source home is the Mac home folder whose Library is
// read (the user's own, a copy or a mounted backup); the user home is where
// default output folders are proposed. Fixed locations are formed as
// source home + a literal beginning with "/", by plain concatenation.
struct HomeFolders {
    std::string sourceHome;
    std::string userHome;

    // Both set to $HOME (or the password database's entry when $HOME is unset).
    static HomeFolders fromEnvironment();
};

std::string currentUserHome();

// "~" and "~/..." become paths under `home`; everything else is returned unchanged.
std::string expandTilde(const std::string& path, const std::string& home);

} // namespace varnholt
