#include "sources/SourceData.h"

#include "sources/MacHomeSource.h"

#include <filesystem>

namespace varnholt {

std::vector<std::string> sourceDataLocations(ExporterType type, const std::string& sourceHome)
{
    switch (type) {
    case ExporterType::voiceMemos:
        return MacHomeSource(sourceHome).recordingFolders();
    case ExporterType::messages:
        return {MacHomeSource(sourceHome).messagesDatabase()};
    case ExporterType::notes:
        return {MacHomeSource(sourceHome).notesStore()};
    default:
        return {};
    }
}

std::optional<std::string> findSourceData(ExporterType type, const std::string& sourceHome)
{
    for (const std::string& path : sourceDataLocations(type, sourceHome)) {
        std::error_code ec;
        if (std::filesystem::exists(path, ec))
            return path;
    }
    return std::nullopt;
}

} // namespace varnholt
