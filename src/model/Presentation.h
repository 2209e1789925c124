#pragma once

#include "model/ExporterType.h"

#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

struct RgbColor {
    double red;
    double green;
    double blue;
    bool operator==(const RgbColor&) const = default;
};

std::string_view appTitle(ExporterType type);
std::string_view appSubtitle(ExporterType type);
// No value means the platform's accent colour.
std::optional<RgbColor> iconColor(ExporterType type);
std::string buttonText(ExporterType type);
bool isImplemented(ExporterType type);

} // namespace varnholt
