#include "sources/SourceFactory.h"

#include "sources/BackupSource.h"
#include "sources/MacHomeSource.h"

namespace varnholt {

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
