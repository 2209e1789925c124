#include "model/ExporterType.h"

namespace varnholt {

namespace {
struct Entry {
    std::string_view raw;
    std::string_view display;
    std::string_view description;
    std::string_view icon;
    bool fda;
};

const Entry& entry(ExporterType type)
{
    static constexpr std::array<Entry, 7> kEntries{{
        {"Notes", "Notes", "Export all notes with attachments", "note.text", false},
        {"VoiceMemos", "Voice Memos", "Export voice recordings", "mic.circle", false},
        {"Messages", "Messages", "Archive iMessage conversations", "message", true},
        {"Photos", "Photos", "True photo archive with metadata", "photo.on.rectangle", false},
        {"Contacts", "Contacts & Calendar", "Contacts, calendars & reminders", "person.2", false},
        {"Safari", "Safari History", "Browsing history & bookmarks", "safari", true},
        {"Health", "Health Data", "Complete health data export", "heart", false},
    }};
    return kEntries[static_cast<size_t>(type)];
}
} // namespace

std::string_view rawValue(ExporterType type)
{
    return entry(type).raw;
}

std::optional<ExporterType> exporterTypeFromRawValue(std::string_view raw)
{
    for (ExporterType type : kAllExporterTypes)
        if (entry(type).raw == raw)
            return type;
    return std::nullopt;
}

std::string_view displayName(ExporterType type)
{
    return entry(type).display;
}

std::string_view exporterDescription(ExporterType type)
{
    return entry(type).description;
}

std::string_view iconName(ExporterType type)
{
    return entry(type).icon;
}

bool requiresFDA(ExporterType type)
{
    return entry(type).fda;
}

} // namespace varnholt
