#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

// The catalogue of data sources, in picker order.
enum class ExporterType { notes, voiceMemos, messages, photos, contacts, safari, health };

inline constexpr std::array<ExporterType, 7> kAllExporterTypes{
    ExporterType::notes,    ExporterType::voiceMemos, ExporterType::messages, ExporterType::photos,
    ExporterType::contacts, ExporterType::safari,     ExporterType::health};

std::string_view rawValue(ExporterType type);
// Exact, case-sensitive match on the raw value.
std::optional<ExporterType> exporterTypeFromRawValue(std::string_view raw);
std::string_view displayName(ExporterType type);
std::string_view exporterDescription(ExporterType type);
std::string_view iconName(ExporterType type);
bool requiresFDA(ExporterType type);

} // namespace varnholt
