#pragma once

#include <string>
#include <string_view>

namespace varnholt {

// Pure conversions of one HTML document (any bytes), for the in-process
// stand-in of the system's text converter. Neither throws on bad input.

// What a reader sees, as UTF-8 text ending in one line feed.
std::string htmlToText(std::string_view html);

// A complete RTF 1.x document.
std::string htmlToRtf(std::string_view html);

} // namespace varnholt
