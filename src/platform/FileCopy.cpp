#include "platform/FileCopy.h"

#include "platform/FileDescriptor.h"
#include "platform/Files.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
std::error_code lastError()
{
    return {errno, std::generic_category()};
}

tl::expected<void, CopyFailure> failure(CopySide side, const char* operation, const fs::path& path,
                                        std::error_code code)
{
    return tl::unexpected(CopyFailure{side, FileSystemError(operation, path, code)});
}

bool isSpaceError(int error)
{
    return error == ENOSPC || error == EDQUOT || error == EFBIG || error == EROFS;
}

// Copies what is left of `in` to `out`: copy_file_range where the kernel can (no bytes pass
// through this process), read and write otherwise, which also tells which end failed.
tl::expected<void, CopyFailure> copyBytes(const FileDescriptor& in, const FileDescriptor& out, const fs::path& source,
                                          const fs::path& target)
{
    for (;;) {
        const ssize_t n = ::copy_file_range(in.get(), nullptr, out.get(), nullptr, 1 << 30, 0);
        if (n == 0)
            return {};
        if (n > 0)
            continue;
        if (errno == EINTR)
            continue;
        if (isSpaceError(errno))
            return failure(CopySide::output, "write", target, lastError());
        break; // not supported here, or an error whose end the plain loop below will tell
    }
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t n = ::read(in.get(), buffer.data(), buffer.size());
        if (n == 0)
            return {};
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return failure(CopySide::source, "read", source, lastError());
        }
        for (ssize_t done = 0; done < n;) {
            const ssize_t w = ::write(out.get(), buffer.data() + done, static_cast<size_t>(n - done));
            if (w < 0) {
                if (errno == EINTR)
                    continue;
                return failure(CopySide::output, "write", target, lastError());
            }
            done += w;
        }
    }
}
} // namespace

tl::expected<void, CopyFailure> copyFileAtomically(const fs::path& source, const fs::path& destination)
{
    FileDescriptor in(::open(source.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY));
    if (!in)
        return failure(CopySide::source, "open", source, lastError());

    const fs::path temporary = temporarySibling(destination);
    FileDescriptor out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!out)
        return failure(CopySide::output, "create", destination, lastError());

    auto copied = copyBytes(in, out, source, destination);
    // As a copy made on a Mac does, the copy keeps its source's modification date.
    struct stat info {};
    if (copied && ::fstat(in.get(), &info) == 0) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, info.st_mtim};
        ::futimens(out.get(), times);
    }
    const int closed = out.close();
    if (copied && closed != 0)
        copied = failure(CopySide::output, "write", destination, std::error_code(closed, std::generic_category()));
    if (copied && ::rename(temporary.c_str(), destination.c_str()) != 0) {
        // A folder in the way cannot be renamed over; anything an earlier export left there goes.
        std::error_code ignored;
        fs::remove_all(destination, ignored);
        if (::rename(temporary.c_str(), destination.c_str()) != 0)
            copied = failure(CopySide::output, "write", destination, lastError());
    }
    if (!copied)
        ::unlink(temporary.c_str());
    return copied;
}

tl::expected<void, CopyFailure> copyTreeAtomically(const fs::path& source, const fs::path& destination)
{
    if (auto made = createDirectories(destination); !made)
        return tl::unexpected(CopyFailure{CopySide::output, made.error()});
    std::error_code ec;
    fs::recursive_directory_iterator it(source, ec);
    for (const fs::recursive_directory_iterator end; !ec && it != end; it.increment(ec)) {
        const fs::path target = destination / fs::relative(it->path(), source);
        std::error_code kind;
        if (it->is_symlink(kind))
            continue;
        if (it->is_directory(kind)) {
            if (auto made = createDirectories(target); !made)
                return tl::unexpected(CopyFailure{CopySide::output, made.error()});
        } else if (it->is_regular_file(kind)) {
            if (auto copied = copyFileAtomically(it->path(), target); !copied)
                return copied;
        }
    }
    if (ec)
        return failure(CopySide::source, "list", source, ec);
    return {};
}

} // namespace varnholt
