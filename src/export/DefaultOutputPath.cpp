#include "export/DefaultOutputPath.h"

#include <cctype>
#include <ctime>
#include <fmt/format.h>

namespace varnholt {

namespace {
std::string localTimestamp(std::chrono::system_clock::time_point now)
{
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    localtime_r(&seconds, &local);
    return fmt::format("{:04}{:02}{:02}_{:02}{:02}{:02}", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                       local.tm_hour, local.tm_min, local.tm_sec);
}
} // namespace

std::string defaultOutputFolderName(ExporterType type, std::chrono::system_clock::time_point now)
{
    const std::string stamp = localTimestamp(now);
    if (type == ExporterType::notes)
        return "notes_export_" + stamp;
    if (type == ExporterType::voiceMemos)
        return "voice_memos_export_" + stamp;
    std::string name(rawValue(type));
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name + "_export_" + stamp;
}

std::string defaultOutputPath(ExporterType type, std::chrono::system_clock::time_point now, const std::string& userHome)
{
    return userHome + "/" + defaultOutputFolderName(type, now);
}

} // namespace varnholt
