#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace varnholt {

// The file system a path lies on, as a user finds it again: where it is mounted and how much of it
// this user may still fill. A path that does not exist (yet) is looked up by the nearest folder
// above it that does.
struct DiskSpace {
    std::filesystem::path mountPoint; // empty when no part of the path exists
    std::optional<std::uint64_t> available;
};

DiskSpace diskSpaceAt(const std::filesystem::path& path);

// "the disk mounted at /media/usb has 12 KB free", for messages about a full disk.
std::string describeDiskSpace(const std::filesystem::path& path);

} // namespace varnholt
