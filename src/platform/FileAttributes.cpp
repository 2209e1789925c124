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

} // namespace varnholt
