#pragma once

#include <cstdint>
#include <string>

namespace varnholt {

// A short human-readable size with decimal multiples, as file managers show
// it: "Zero KB", "1 byte", "532 bytes", "12 KB", "3.4 MB", "1.25 GB".
std::string formatByteCount(std::uint64_t bytes);

} // namespace varnholt
