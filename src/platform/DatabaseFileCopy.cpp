#include "platform/DatabaseFileCopy.h"

#include "platform/FileDescriptor.h"

#include <array>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <unistd.h>
#include <vector>

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

std::error_code lastError()
{
    return {errno, std::generic_category()};
}

bool isFullError(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG;
}

// The kernel moves the bytes (or shares the extents) without passing them through this process; file
// systems that cannot do so between these two files get a plain read and write.
tl::expected<void, FileSystemError> copyFile(const fs::path& source, const fs::path& target)
{
    constexpr size_t kKernelChunk = size_t{1} << 26;
    constexpr size_t kBufferSize = size_t{1} << 20;
    const FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in)
        return tl::unexpected(FileSystemError("read", source, lastError()));
    FileDescriptor out(::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!out)
        return tl::unexpected(FileSystemError("create", target, lastError()));
    bool kernelCopy = true;
    std::vector<char> buffer;
    while (true) {
        ssize_t copied = 0;
        if (kernelCopy) {
            copied = ::copy_file_range(in.get(), nullptr, out.get(), nullptr, kKernelChunk, 0);
            if (copied < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP)) {
                kernelCopy = false; // both offsets stand where the kernel left them
                continue;
            }
        } else {
            buffer.resize(kBufferSize);
            copied = ::read(in.get(), buffer.data(), buffer.size());
            for (ssize_t written = 0; copied > 0 && written < copied;) {
                const ssize_t n = ::write(out.get(), buffer.data() + written, static_cast<size_t>(copied - written));
                if (n < 0 && errno != EINTR)
                    return tl::unexpected(FileSystemError("write", target, lastError()));
                written += n > 0 ? n : 0;
            }
        }
        if (copied == 0)
            break;
        if (copied < 0 && errno != EINTR) {
            const std::error_code error = lastError();
            return tl::unexpected(isFullError(error.value()) ? FileSystemError("write", target, error)
                                                             : FileSystemError("copy", source, error));
        }
    }
    if (out.close() != 0)
        return tl::unexpected(FileSystemError("write", target, lastError()));
    return {};
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
        if (auto copied = copyFile(source, target); !copied)
            return copied;
        if (afterMainFile)
            afterMainFile();
        fs::remove(targetLog, ec);
        if (before) {
            auto copied = copyFile(sourceLog, targetLog);
            if (!copied && copied.error().code() != std::errc::no_such_file_or_directory)
                return copied;
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
