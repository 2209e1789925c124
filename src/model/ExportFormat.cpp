#include "model/ExportFormat.h"

namespace varnholt {

namespace {
struct Entry {
    std::string_view raw;
    std::string_view description;
};

const Entry& entry(ExportFormat format)
{
    static constexpr std::array<Entry, 6> kEntries{{
        {"HTML", "Rich text with formatting"},
        {"Markdown", "Markdown format with preserved formatting"},
        {"PDF", "Portable document format (requires additional tools)"},
        {"RTF", "Rich text format (Word compatible)"},
        {"TXT", "Plain text with media links"},
        {"JSON", "NDJSON format for fast processing"},
    }};
    return kEntries[static_cast<size_t>(format)];
}
} // namespace

std::string_view rawValue(ExportFormat format)
{
    return entry(format).raw;
}

std::optional<ExportFormat> exportFormatFromRawValue(std::string_view raw)
{
    for (ExportFormat format : kAllExportFormats)
        if (entry(format).raw == raw)
            return format;
    return std::nullopt;
}

std::string_view formatDescription(ExportFormat format)
{
    return entry(format).description;
}

std::vector<ExportFormat> offeredFormats(NotesMethod method)
{
    if (method == NotesMethod::fast)
        return {ExportFormat::html, ExportFormat::json};
    return {ExportFormat::html, ExportFormat::markdown, ExportFormat::pdf, ExportFormat::rtf, ExportFormat::txt};
}

std::string_view formatTitle(ExportFormat format, NotesMethod method)
{
    if (method == NotesMethod::fast && format == ExportFormat::html)
        return "TXT";
    return rawValue(format);
}

std::string_view formatDescription(ExportFormat format, NotesMethod method)
{
    if (method == NotesMethod::fast && format == ExportFormat::html)
        return "Plain text files (.txt)";
    return formatDescription(format);
}

ExportFormatSet defaultFormatSelection()
{
    return {ExportFormat::html};
}

} // namespace varnholt
