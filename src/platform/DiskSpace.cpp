#include "platform/DiskSpace.h"

#include "platform/ByteCount.h"

#include <sys/stat.h>
#include <sys/statvfs.h>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
fs::path nearestExisting(const fs::path& path)
{
    std::error_code ec;
    fs::path probe = fs::absolute(path, ec);
    if (ec)
        probe = path;
    probe = probe.lexically_normal();
    while (!probe.empty() && !fs::exists(probe, ec)) {
        if (probe == probe.parent_path())
            return {};
        probe = probe.parent_path();
    }
    return probe;
}

// The topmost folder above `path` on the same device.
fs::path mountPointOf(const fs::path& path)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return path;
    fs::path mount = path;
    while (mount.has_relative_path()) {
        const fs::path parent = mount.parent_path();
        struct stat above {};
        if (::stat(parent.c_str(), &above) != 0 || above.st_dev != status.st_dev)
            break;
        mount = parent;
    }
    return mount;
}
} // namespace

DiskSpace diskSpaceAt(const fs::path& path)
{
    DiskSpace space;
    const fs::path existing = nearestExisting(path);
    if (existing.empty())
        return space;
    space.mountPoint = mountPointOf(existing);
    struct statvfs status {};
    if (::statvfs(existing.c_str(), &status) == 0)
        space.available = static_cast<std::uint64_t>(status.f_bavail) * status.f_frsize;
    return space;
}

std::string describeDiskSpace(const fs::path& path)
{
    const DiskSpace space = diskSpaceAt(path);
    if (space.mountPoint.empty())
        return "the disk that holds " + path.string() + " is full";
    std::string text = "the disk mounted at " + space.mountPoint.string();
    if (space.available)
        return text + " has " + formatByteCount(*space.available) + " free";
    return text + " is full";
}

} // namespace varnholt
