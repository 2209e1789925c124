#include "sources/SourceData.h"

#include "sources/MacHomeSource.h"

#include <filesystem>

namespace varnholt {

std::vector<std::string> sourceDataLocations(ExporterType type, const Source& source)
{
    switch (type) {
    case ExporterType::voiceMemos:
        return source.recordingFolders();
    case ExporterType::messages:
        return {source.messagesDatabase()};
    case ExporterType::notes:
        return {source.notesStore()};
    default:
        return {};
    }
}

std::vector<std::string> sourceDataLocations(ExporterType type, const std::string& sourceHome)
{
    return sourceDataLocations(type, MacHomeSource(sourceHome));
}

std::optional<std::string> findSourceData(ExporterType type, const Source& source)
{
    for (const std::string& path : sourceDataLocations(type, source)) {
        std::error_code ec;
        if (std::filesystem::exists(path, ec))
            return source.displayPath(path);
    }
    return std::nullopt;
}

std::optional<std::string> findSourceData(ExporterType type, const std::string& sourceHome)
{
    return findSourceData(type, MacHomeSource(sourceHome));
}

} // namespace varnholt
