#pragma once

#include <cstdint>
#include <limits>

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

} // namespace varnholt
