#include "sample-home/SampleFiles.h"

#include "platform/Files.h"

#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>

namespace varnholt::sample {

void writeSampleFile(const std::filesystem::path& path, std::string_view contents)
{
    if (auto made = createDirectories(path.parent_path()); !made)
        throw std::runtime_error(made.error().description());
    if (auto written = writeFile(path, contents); !written)
        throw std::runtime_error(written.error().description());
}

void setModificationTime(const std::filesystem::path& path, long long secondsSince1970)
{
    struct timespec times[2];
    times[0].tv_sec = secondsSince1970;
    times[0].tv_nsec = 0;
    times[1] = times[0];
    utimensat(AT_FDCWD, path.c_str(), times, 0);
}

} // namespace varnholt::sample
