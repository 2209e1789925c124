#include "platform/Files.h"

#include "platform/FileDescriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <random>
#include <unistd.h>

namespace varnholt {

namespace fs = std::filesystem;

fs::path temporarySibling(const fs::path& path)
{
    // Short and independent of the final name, which may already be as long as a name can be.
    static thread_local std::mt19937_64 random{std::random_device{}()};
    return path.parent_path() / (".varnholt-" + std::to_string(random() % 1000000000000ULL) + ".tmp");
}

ReadabilityProbe defaultReadabilityProbe()
{
    return [](const std::string& path) { return ::access(path.c_str(), R_OK) == 0; };
}

namespace {
tl::expected<void, FileSystemError> writeAll(const FileDescriptor& fd, const fs::path& path, std::string_view contents)
{
    size_t written = 0;
    while (written < contents.size()) {
        const ssize_t n = ::write(fd.get(), contents.data() + written, contents.size() - written);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return tl::unexpected(FileSystemError("write", path, std::error_code(errno, std::generic_category())));
        }
        written += static_cast<size_t>(n);
    }
    return {};
}
} // namespace

tl::expected<void, FileSystemError> writeFile(const fs::path& path, std::string_view contents)
{
    FileDescriptor fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (!fd)
        return tl::unexpected(FileSystemError("create", path, std::error_code(errno, std::generic_category())));
    if (auto ok = writeAll(fd, path, contents); !ok)
        return ok;
    if (auto closed = fd.close(); closed != 0)
        return tl::unexpected(FileSystemError("write", path, std::error_code(closed, std::generic_category())));
    return {};
}

tl::expected<void, FileSystemError> writeFileAtomically(const fs::path& path, std::string_view contents)
{
    const fs::path temporary = temporarySibling(path);
    {
        FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
        if (!fd)
            return tl::unexpected(FileSystemError("create", path, std::error_code(errno, std::generic_category())));
        auto ok = writeAll(fd, path, contents);
        const int closed = fd.close();
        if (!ok || closed != 0) {
            ::unlink(temporary.c_str());
            if (!ok)
                return ok;
            return tl::unexpected(FileSystemError("write", path, std::error_code(closed, std::generic_category())));
        }
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        return tl::unexpected(FileSystemError("write", path, std::error_code(error, std::generic_category())));
    }
    return {};
}

tl::expected<std::string, FileSystemError> readFile(const fs::path& path)
{
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd)
        return tl::unexpected(FileSystemError("read", path, std::error_code(errno, std::generic_category())));
    std::string contents;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return tl::unexpected(FileSystemError("read", path, std::error_code(errno, std::generic_category())));
        }
        if (n == 0)
            break;
        contents.append(buffer, static_cast<size_t>(n));
    }
    return contents;
}

tl::expected<void, FileSystemError> createDirectories(const fs::path& path)
{
    std::error_code ec;
    fs::create_directories(path, ec);
    if (ec)
        return tl::unexpected(FileSystemError("create the folder", path, ec));
    if (!fs::is_directory(path, ec))
        return tl::unexpected(
            FileSystemError("create the folder", path, std::make_error_code(std::errc::not_a_directory)));
    return {};
}

bool isWithin(const fs::path& root, const fs::path& candidate)
{
    const fs::path r = root.lexically_normal();
    const fs::path c = candidate.lexically_normal();
    auto rit = r.begin();
    auto cit = c.begin();
    for (; rit != r.end(); ++rit, ++cit) {
        if (rit->empty() && std::next(rit) == r.end())
            break; // trailing separator of the root
        if (cit == c.end() || *rit != *cit)
            return false;
    }
    for (; cit != c.end(); ++cit)
        if (*cit == "..")
            return false;
    return true;
}

} // namespace varnholt
