#include "platform/Iso8601.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <fmt/format.h>

namespace varnholt {

namespace {
// Proleptic Gregorian civil date from days since 1970-01-01 (Howard Hinnant's algorithm),
// so that dates outside time_t's comfortable range still format correctly.
void civilFromDays(long long z, long long& y, unsigned& m, unsigned& d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<long long>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += (m <= 2);
}
} // namespace

std::string formatIso8601(double secondsSince1970)
{
    constexpr double kMin = -62135596800.0; // 0001-01-01T00:00:00Z
    constexpr double kMax = 253402300799.0; // 9999-12-31T23:59:59Z
    if (std::isnan(secondsSince1970))
        secondsSince1970 = 0;
    const double clamped = std::clamp(std::floor(secondsSince1970), kMin, kMax);
    const long long total = static_cast<long long>(clamped);
    long long days = total / 86400;
    long long rest = total % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    long long y;
    unsigned m, d;
    civilFromDays(days, y, m, d);
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}Z", y, m, d, rest / 3600, (rest % 3600) / 60, rest % 60);
}

std::string formatIso8601(std::chrono::system_clock::time_point moment)
{
    const auto secs = std::chrono::floor<std::chrono::seconds>(moment.time_since_epoch()).count();
    return formatIso8601(static_cast<double>(secs));
}

} // namespace varnholt
