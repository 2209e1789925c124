#include "export/SourceData.h"

#include "exporters/voicememos/VoiceMemosExporter.h"

#include <filesystem>

namespace varnholt {

std::vector<std::string> sourceDataLocations(ExporterType type, const std::string& sourceHome)
{
    switch (type) {
    case ExporterType::voiceMemos: {
        std::vector<std::string> paths;
        for (const char* suffix : VoiceMemosExporter::candidateSuffixes())
            paths.push_back(sourceHome + suffix);
        return paths;
    }
    case ExporterType::messages:
        return {sourceHome + "/Library/Messages/chat.db"};
    case ExporterType::notes:
        return {sourceHome + "/Library/Group Containers/group.com.apple.notes/NoteStore.sqlite"};
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
