#include "sources/SourceData.h"

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

std::optional<std::string> findSourceData(ExporterType type, const Source& source)
{
    for (const std::string& path : sourceDataLocations(type, source)) {
        std::error_code ec;
        if (std::filesystem::exists(path, ec))
            return source.displayPath(path);
    }
    return std::nullopt;
}

std::map<ExporterType, std::vector<std::string>> describeStores(const Source& source)
{
    std::map<ExporterType, std::vector<std::string>> stores;
    for (ExporterType type : kAllExporterTypes) {
        std::vector<std::string> places;
        for (const std::string& path : sourceDataLocations(type, source))
            places.push_back(source.displayPath(path));
        if (!places.empty())
            stores.emplace(type, std::move(places));
    }
    return stores;
}

} // namespace varnholt
