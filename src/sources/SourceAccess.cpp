#include "sources/SourceAccess.h"

#include "sources/BackupSource.h"

#include <filesystem>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
std::string whyNot(const Source& source, const std::string& path)
{
    std::error_code ec;
    if (fs::exists(path, ec))
        return "your user has no permission to read it";
    const fs::path root(source.root());
    if (!fs::exists(root, ec))
        return root.string() + " does not exist (the disk that holds it may not be mounted)";
    if (!BackupSource::looksLikeBackup(root.string()) && !fs::is_directory(root / "Library", ec))
        return root.string() + " is neither a Mac home folder (it has no Library folder) nor an iPhone backup";
    return "it is not there";
}
} // namespace

std::string cannotReadText(const Source& source, const std::string& what, const std::string& path)
{
    return "Cannot read " + what + " at " + source.displayPath(path) + ": " + whyNot(source, path) +
           ". Give your user read permission on it and the folders above it, mount the disk that holds it, or "
           "point --source at a Mac home folder or iPhone backup that holds it.";
}

} // namespace varnholt
