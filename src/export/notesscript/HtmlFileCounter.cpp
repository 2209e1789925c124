#include "export/notesscript/HtmlFileCounter.h"

#include <filesystem>

namespace varnholt {

namespace fs = std::filesystem;

long long countHTMLFiles(const std::string& folder)
{
    long long count = 0;
    std::error_code ec;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, ec);
    if (ec)
        return 0;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        const std::string name = it->path().filename().string();
        if (name.size() >= 5 && name.compare(name.size() - 5, 5, ".html") == 0)
            ++count;
    }
    return count;
}

} // namespace varnholt
