#pragma once

#include <string>

namespace varnholt {

// Turns a note, folder or account name into one safe file-name component:
// "/", ":", NUL and other control characters become "-", a name made only of
// dots (or a leading dot) gets a "_" in front, and the name is cut to at most
// `maxBytes` bytes without splitting a character. Empty names give `fallback`.
std::string safePathComponent(const std::string& name, const std::string& fallback, std::size_t maxBytes = 180);

} // namespace varnholt
