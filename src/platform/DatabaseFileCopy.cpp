#include "platform/DatabaseFileCopy.h"

#include "platform/FileDescriptor.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <unistd.h>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
// A busy app restarts its log every few thousand rows; a copy takes milliseconds.
constexpr int kAttempts = 8;

// What identifies one generation of a log: the checkpoint sequence number and both salts of
// its header (bytes 12 to 24). Absent when there is no log; all zero when it is empty.
using LogGeneration = std::array<unsigned char, 12>;

std::optional<LogGeneration> logGeneration(const fs::path& wal)
{
    const int fd = ::open(wal.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    const FileDescriptor file(fd);
    unsigned char header[32] = {};
    LogGeneration generation{};
    if (::pread(file.get(), header, sizeof header, 0) == static_cast<ssize_t>(sizeof header))
        std::copy(header + 12, header + 24, generation.begin());
    return generation;
}

fs::path withSuffix(const fs::path& path, const char* suffix)
{
    fs::path result = path;
    result += suffix;
    return result;
}
} // namespace

tl::expected<void, FileSystemError> copyDatabaseFiles(const fs::path& source, const fs::path& target,
                                                      const std::function<void()>& afterMainFile)
{
    const fs::path sourceLog = withSuffix(source, "-wal");
    const fs::path targetLog = withSuffix(target, "-wal");
    std::error_code ec;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        const std::optional<LogGeneration> before = logGeneration(sourceLog);
        if (!fs::copy_file(source, target, fs::copy_options::overwrite_existing, ec) || ec)
            return tl::unexpected(FileSystemError("copy", source, ec));
        if (afterMainFile)
            afterMainFile();
        fs::remove(targetLog, ec);
        if (before) {
            fs::copy_file(sourceLog, targetLog, fs::copy_options::overwrite_existing, ec);
            if (ec && ec != std::errc::no_such_file_or_directory)
                return tl::unexpected(FileSystemError("copy", sourceLog, ec));
        }
        // Same generation before, in the copy and after: the log was never restarted in between.
        const std::optional<LogGeneration> after = logGeneration(sourceLog);
        if (before == after && (!before || logGeneration(targetLog) == before))
            return {};
    }
    return tl::unexpected(FileSystemError("take a consistent copy of", source,
                                          std::make_error_code(std::errc::resource_unavailable_try_again)));
}

} // namespace varnholt
