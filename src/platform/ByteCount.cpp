#include "platform/ByteCount.h"

#include <array>
#include <cmath>
#include <fmt/format.h>

namespace varnholt {

std::string formatByteCount(std::uint64_t bytes)
{
    if (bytes == 0)
        return "Zero KB";
    if (bytes == 1)
        return "1 byte";
    if (bytes < 1000)
        return fmt::format("{} bytes", bytes);

    static constexpr std::array<const char*, 6> kUnits{"KB", "MB", "GB", "TB", "PB", "EB"};
    double value = static_cast<double>(bytes) / 1000.0;
    size_t unit = 0;
    while (value >= 999.5 && unit + 1 < kUnits.size()) {
        value /= 1000.0;
        ++unit;
    }
    // Kilobytes without decimals, megabytes with one, larger units with two; trailing zeros dropped.
    const int decimals = unit == 0 ? 0 : (unit == 1 ? 1 : 2);
    std::string number = fmt::format("{:.{}f}", value, decimals);
    if (number.find('.') != std::string::npos) {
        while (number.back() == '0')
            number.pop_back();
        if (number.back() == '.')
            number.pop_back();
    }
    return number + " " + kUnits[unit];
}

} // namespace varnholt
