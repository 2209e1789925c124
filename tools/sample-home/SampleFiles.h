#pragma once

#include <filesystem>
#include <string_view>

namespace varnholt::sample {

// Writes a fixture file, creating its folder; throws std::runtime_error on failure
// (fixture building has no user to report to).
void writeSampleFile(const std::filesystem::path& path, std::string_view contents);
// Sets a file's modification time, so fixtures carry realistic dates.
void setModificationTime(const std::filesystem::path& path, long long secondsSince1970);

} // namespace varnholt::sample
