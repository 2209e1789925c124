#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace varnholt {

// Internet date-time in UTC with whole seconds and a "Z", e.g. 2024-03-05T14:03:22Z.
std::string formatIso8601(std::chrono::system_clock::time_point moment);
// Same, for a moment given as (possibly fractional, possibly negative) seconds since 1970.
// Values outside the years 0001-9999 are clamped so that the text stays well formed.
std::string formatIso8601(double secondsSince1970);

// Seconds between 1970-01-01 and 2001-01-01, the epoch of Apple's databases.
inline constexpr double kAppleReferenceOffset = 978307200.0;

} // namespace varnholt
