#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

namespace varnholt {

// The messages an export keeps by date: from `from` to `until`, both included, in nanoseconds since
// 2001-01-01 (the unit of newer databases; older ones, in seconds, are compared in the same unit).
struct DateWindow {
    std::int64_t from = std::numeric_limits<std::int64_t>::min();
    std::int64_t until = std::numeric_limits<std::int64_t>::max();

    bool isOpen() const
    {
        return from == std::numeric_limits<std::int64_t>::min() && until == std::numeric_limits<std::int64_t>::max();
    }
};

enum class DayEdge { start, end };

// The first (or last) nanosecond of a day "YYYY-MM-DD" in local time, since 2001-01-01; nothing for any other
// text or a day the calendar does not have.
std::optional<std::int64_t> localDayBound(std::string_view day, DayEdge edge);

// What a date option must look like, for error messages.
inline constexpr const char* kDayForm = "YYYY-MM-DD, for example 2024-03-05";

} // namespace varnholt
