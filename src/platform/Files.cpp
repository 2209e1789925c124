#include "platform/Files.h"

#include "platform/FileDescriptor.h"
#include "platform/OutputFile.h"

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
tl::expected<void, FileSystemError> writeWhole(const fs::path& path, std::string_view contents,
                                               OutputFile::Replace replace)
{
    auto file = OutputFile::create(path, replace);
    if (!file)
        return tl::unexpected(file.error());
    file->write(contents);
    return file->commit();
}
} // namespace

tl::expected<void, FileSystemError> writeFile(const fs::path& path, std::string_view contents)
{
    return writeWhole(path, contents, OutputFile::Replace::inPlace);
}

tl::expected<void, FileSystemError> writeFileAtomically(const fs::path& path, std::string_view contents)
{
    return writeWhole(path, contents, OutputFile::Replace::atomically);
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
