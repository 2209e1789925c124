#include "sources/SourceAccess.h"

#include "sources/SourceFactory.h"

#include <filesystem>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
enum class Presence { present, absent, hidden };

// What looking at a path (not reading it) says: a folder on the way that this user may not enter
// hides whether it is there.
Presence presenceOf(const fs::path& path)
{
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (ec == std::errc::permission_denied)
        return Presence::hidden;
    return status.type() == fs::file_type::not_found || ec ? Presence::absent : Presence::present;
}

std::string whyNot(const Source& source, const std::string& path)
{
    if (presenceOf(path) == Presence::present)
        return "your user has no permission to read it";
    const fs::path root(source.root());
    if (presenceOf(root) == Presence::absent)
        return root.string() + " does not exist (the disk that holds it may not be mounted)";
    if (!recogniseFolder(root.string()))
        return root.string() + " is neither a Mac home folder (it has no Library folder) nor an iPhone backup";
    return "it is not there";
}
} // namespace

SourceAccess checkSourceAccess(const std::string& folder, ExporterType type, const ReadabilityProbe& canRead)
{
    const std::string probe = accessProbePath(folder, type);
    if (canRead(probe))
        return {probe, std::nullopt};
    switch (presenceOf(folder)) {
    case Presence::absent:
        return {folder, AccessProblem::missing};
    case Presence::hidden:
        return {folder, AccessProblem::permissionDenied};
    case Presence::present:
        break;
    }
    // A folder this user may not list cannot show that it is a home either.
    if (presenceOf(fs::path(folder) / "Library") == Presence::hidden)
        return {folder, AccessProblem::permissionDenied};
    if (!recogniseFolder(folder))
        return {folder, AccessProblem::notASource};
    if (presenceOf(probe) == Presence::absent)
        return {probe, AccessProblem::missing};
    return {probe, AccessProblem::permissionDenied};
}

std::string cannotReadText(const Source& source, const std::string& what, const std::string& path)
{
    return "Cannot read " + what + " at " + source.displayPath(path) + ": " + whyNot(source, path) +
           ". Give your user read permission on it and the folders above it, mount the disk that holds it, or "
           "point --source at a Mac home folder or iPhone backup that holds it.";
}

} // namespace varnholt
