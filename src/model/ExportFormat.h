#pragma once

#include <array>
#include <optional>
#include <set>
#include <string_view>
#include <vector>

namespace varnholt {

enum class ExportFormat { html, markdown, pdf, rtf, txt, json };
using ExportFormatSet = std::set<ExportFormat>;

inline constexpr std::array<ExportFormat, 6> kAllExportFormats{ExportFormat::html, ExportFormat::markdown,
                                                               ExportFormat::pdf,  ExportFormat::rtf,
                                                               ExportFormat::txt,  ExportFormat::json};

// Which Notes method the format choice is shown for.
enum class NotesMethod { standard, fast };

std::string_view rawValue(ExportFormat format);
std::optional<ExportFormat> exportFormatFromRawValue(std::string_view raw);
std::string_view formatDescription(ExportFormat format);

// Formats offered by each Notes method, in display order.
std::vector<ExportFormat> offeredFormats(NotesMethod method);
// The fast method shows `html` as plain-text files; everything else keeps its own title and description.
std::string_view formatTitle(ExportFormat format, NotesMethod method);
std::string_view formatDescription(ExportFormat format, NotesMethod method);

// The selection a new detail screen starts with.
ExportFormatSet defaultFormatSelection();

} // namespace varnholt
