#include "export/notesstandard/OutputPostProcessing.h"

#include "platform/FileSystemError.h"
#include "platform/Trace.h"

#include <filesystem>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
bool endsWithFiles(const std::string& name)
{
    return name.size() >= 6 && name.compare(name.size() - 6, 6, "_files") == 0;
}
} // namespace

void cleanupEmptyFilesFolders(const std::string& htmlFolder)
{
    std::error_code ec;
    fs::recursive_directory_iterator it(htmlFolder, fs::directory_options::skip_permission_denied, ec);
    if (ec)
        return;
    // Gather first, remove afterwards, so removals never disturb the walk.
    std::vector<fs::path> found;
    for (const fs::recursive_directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        if (endsWithFiles(it->path().filename().string())) {
            found.push_back(it->path());
            it.disable_recursion_pending();
        }
    }
    for (const fs::path& path : found) {
        std::error_code error;
        fs::directory_iterator listing(path, error);
        if (!error && listing == fs::directory_iterator()) {
            fs::remove(path, error);
            if (!error) {
                Trace::line("[NotesExporter] Removed empty folder: " + path.string());
                continue;
            }
        }
        if (error)
            Trace::line("[NotesExporter] Error checking folder " + path.string() + ": " +
                        FileSystemError("check", path, error).description());
    }
}

void disposeTemporaryHtml(const std::string& outputPath, const RunCommand& runCommand)
{
    const std::string path = outputPath + "/html";
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec)))
        return;
    if (runCommand)
        (void)runCommand("/usr/bin/env", {"trash", path});
    Trace::line("[NotesExporter] Moved temporary HTML files to trash");
}

} // namespace varnholt
