#include "sources/SourceFactory.h"

#include "sources/BackupSource.h"
#include "sources/MacHomeSource.h"

#include <filesystem>

namespace varnholt {

std::optional<SourceKind> recogniseFolder(const std::string& folder)
{
    if (BackupSource::looksLikeBackup(folder))
        return SourceKind::backup;
    std::error_code ec;
    if (std::filesystem::is_directory(std::filesystem::path(folder) / "Library", ec))
        return SourceKind::macHome;
    return std::nullopt;
}

std::string accessProbePath(const std::string& folder, ExporterType type)
{
    if (BackupSource::looksLikeBackup(folder))
        return BackupSource(folder, {}).accessProbe(type);
    return MacHomeSource(folder).accessProbe(type);
}

SourcePtr identifySource(const std::string& folder)
{
    if (BackupSource::looksLikeBackup(folder))
        return BackupSource::identify(folder);
    return MacHomeSource::make(folder);
}

SourcePtr openSource(const std::string& folder, const std::string& nearFolder, std::optional<ExporterType> what,
                     const SourceUnlock& unlock)
{
    if (BackupSource::looksLikeBackup(folder))
        return BackupSource::open(folder, nearFolder, what, unlock);
    return MacHomeSource::make(folder);
}

} // namespace varnholt
