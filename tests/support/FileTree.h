#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace varnholt::test {

// Regular files below a folder, as paths relative to it, sorted (none when it is absent).
std::vector<std::string> filesBelow(const std::filesystem::path& folder);

// Every entry below a folder (of those, the ones whose name starts with `prefix`), links not followed.
std::vector<std::filesystem::path> entriesBelow(const std::filesystem::path& folder, const std::string& prefix = "");

} // namespace varnholt::test
