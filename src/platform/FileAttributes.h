#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace varnholt {

// The attributes of a file that exporters describe; each is absent when it cannot be read.
struct FileAttributes {
    std::optional<std::uint64_t> size;
    std::optional<std::chrono::system_clock::time_point> created;
    std::optional<std::chrono::system_clock::time_point> modified;
};

// Follows symbolic links. The creation date comes from the file system's birth time where it keeps one.
FileAttributes readFileAttributes(const std::string& path);
// Sets a file's modification time (not through a link); false when the file system refuses.
bool setModificationTime(const std::string& path, std::chrono::system_clock::time_point when);

} // namespace varnholt
