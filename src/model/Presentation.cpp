#include "model/Presentation.h"

namespace varnholt {

std::string_view appTitle(ExporterType type)
{
    switch (type) {
    case ExporterType::voiceMemos:
        return "Voice Memos Varnholt";
    case ExporterType::messages:
        return "Messages Varnholt";
    default:
        return "Varnholt";
    }
}

std::string_view appSubtitle(ExporterType type)
{
    switch (type) {
    case ExporterType::notes:
        return "Export your Apple Notes";
    case ExporterType::voiceMemos:
        return "Export your Voice Memos";
    case ExporterType::messages:
        return "Export your iMessage conversations";
    default:
        return "Export your data";
    }
}

std::optional<RgbColor> iconColor(ExporterType type)
{
    switch (type) {
    case ExporterType::notes:
        return RgbColor{1.0, 0.8, 0.0};
    case ExporterType::voiceMemos:
        return RgbColor{1.0, 0.2, 0.2};
    case ExporterType::messages:
        return RgbColor{0.2, 0.6, 1.0};
    default:
        return std::nullopt;
    }
}

std::string buttonText(ExporterType type)
{
    switch (type) {
    case ExporterType::notes:
        return "Export Notes";
    case ExporterType::voiceMemos:
        return "Export Voice Memos";
    case ExporterType::messages:
        return "Export Messages";
    default:
        return "Export " + std::string(displayName(type));
    }
}

bool isImplemented(ExporterType type)
{
    return type == ExporterType::notes || type == ExporterType::voiceMemos || type == ExporterType::messages;
}

} // namespace varnholt
