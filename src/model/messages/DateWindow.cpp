#include "model/messages/DateWindow.h"

#include "platform/Iso8601.h"

#include <ctime>
#include <re2/re2.h>
#include <string>

namespace varnholt {

std::optional<std::int64_t> localDayBound(std::string_view day, DayEdge edge)
{
    static const RE2 kDay(R"((\d{4})-(\d{2})-(\d{2}))");
    int year = 0;
    int month = 0;
    int dayOfMonth = 0;
    if (!RE2::FullMatch(re2::StringPiece(day.data(), day.size()), kDay, &year, &month, &dayOfMonth))
        return std::nullopt;
    std::tm fields{};
    fields.tm_year = year - 1900;
    fields.tm_mon = month - 1;
    fields.tm_mday = dayOfMonth;
    fields.tm_isdst = -1; // the zone's own rule for that day
    const std::tm asked = fields;
    const std::time_t midnight = std::mktime(&fields);
    // mktime moves 2024-02-30 to March; such a day is not a date.
    if (midnight == static_cast<std::time_t>(-1) || fields.tm_year != asked.tm_year || fields.tm_mon != asked.tm_mon ||
        fields.tm_mday != asked.tm_mday)
        return std::nullopt;
    std::time_t bound = midnight;
    if (edge == DayEdge::end) {
        // The next local midnight, found through the calendar so that a day of 23 or 25 hours ends right.
        std::tm next = asked;
        next.tm_mday += 1;
        next.tm_isdst = -1;
        bound = std::mktime(&next);
    }
    const auto seconds = static_cast<std::int64_t>(bound) - static_cast<std::int64_t>(kAppleReferenceOffset);
    const std::int64_t nanoseconds = seconds * 1'000'000'000LL;
    return edge == DayEdge::end ? nanoseconds - 1 : nanoseconds;
}

} // namespace varnholt
