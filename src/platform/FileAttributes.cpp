#include "platform/FileAttributes.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace varnholt {

namespace {
std::chrono::system_clock::time_point toTimePoint(const struct statx_timestamp& ts)
{
    return std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
        std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec)));
}
} // namespace

FileAttributes readFileAttributes(const std::string& path)
{
    FileAttributes attributes;
    struct statx info {};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_SIZE | STATX_MTIME | STATX_BTIME, &info) != 0)
        return attributes;
    if (info.stx_mask & STATX_SIZE)
        attributes.size = info.stx_size;
    if (info.stx_mask & STATX_BTIME)
        attributes.created = toTimePoint(info.stx_btime);
    if (info.stx_mask & STATX_MTIME)
        attributes.modified = toTimePoint(info.stx_mtime);
    return attributes;
}

bool setModificationTime(const std::string& path, std::chrono::system_clock::time_point when)
{
    const auto since = when.time_since_epoch();
    const auto seconds = std::chrono::floor<std::chrono::seconds>(since);
    struct timespec times[2]{};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(seconds.count());
    times[1].tv_nsec = static_cast<long>(std::chrono::duration_cast<std::chrono::nanoseconds>(since - seconds).count());
    return utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

} // namespace varnholt
