#pragma once

#include <optional>
#include <string_view>

namespace varnholt {

// The test limit as typed: a decimal integer with an optional sign ("+7", "-3").
// Anything else, including surrounding blanks or an empty text, means no limit.
std::optional<long long> parseTestLimit(std::string_view text);

} // namespace varnholt
