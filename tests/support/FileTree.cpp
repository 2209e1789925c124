#include "support/FileTree.h"

#include <algorithm>

namespace varnholt::test {

namespace fs = std::filesystem;

std::vector<std::string> filesBelow(const fs::path& folder)
{
    std::vector<std::string> files;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->is_regular_file(ec))
            files.push_back(it->path().lexically_relative(folder).string());
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<fs::path> entriesBelow(const fs::path& folder, const std::string& prefix)
{
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().filename().string().starts_with(prefix))
            found.push_back(it->path());
    return found;
}

} // namespace varnholt::test
