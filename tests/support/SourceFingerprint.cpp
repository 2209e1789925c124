#include "support/SourceFingerprint.h"

#include <fmt/format.h>
#include <openssl/evp.h>

#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace varnholt::test {

namespace fs = std::filesystem;

namespace {
using DigestContext = std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)>;

DigestContext newDigest()
{
    DigestContext context(EVP_MD_CTX_new(), &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        throw std::runtime_error("cannot start a SHA-256 digest");
    return context;
}

std::string finish(EVP_MD_CTX* context)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context, digest, &length) != 1)
        throw std::runtime_error("cannot finish a SHA-256 digest");
    std::string hex;
    for (unsigned int i = 0; i < length; ++i)
        hex += fmt::format("{:02x}", digest[i]);
    return hex;
}

std::string sha256OfFile(const fs::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return "unreadable";
    DigestContext context = newDigest();
    char buffer[1 << 16];
    ssize_t got = 0;
    while ((got = ::read(fd, buffer, sizeof buffer)) > 0)
        EVP_DigestUpdate(context.get(), buffer, static_cast<size_t>(got));
    ::close(fd);
    return got < 0 ? "unreadable" : finish(context.get());
}

std::string describe(const FileFingerprint& f)
{
    static const char* kKinds[] = {"file", "folder", "link", "other"};
    return fmt::format("{} size {} mtime {} mode {:o} sha256 {}", kKinds[static_cast<int>(f.kind)], f.size,
                       f.modifiedNanoseconds, f.mode, f.sha256.substr(0, 16));
}
} // namespace

std::string sha256Hex(std::string_view bytes)
{
    DigestContext context = newDigest();
    EVP_DigestUpdate(context.get(), bytes.data(), bytes.size());
    return finish(context.get());
}

TreeFingerprint fingerprintTree(const fs::path& root)
{
    TreeFingerprint tree;
    std::error_code ec;
    // Links are recorded, never followed: a hostile home may hold loops and links to anywhere.
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        struct stat info {};
        if (::lstat(it->path().c_str(), &info) != 0)
            continue;
        FileFingerprint f;
        f.size = static_cast<std::uintmax_t>(info.st_size);
        f.modifiedNanoseconds = static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
        f.mode = info.st_mode & 07777;
        if (S_ISREG(info.st_mode)) {
            f.kind = FileFingerprint::Kind::file;
            f.sha256 = sha256OfFile(it->path());
        } else if (S_ISDIR(info.st_mode)) {
            f.kind = FileFingerprint::Kind::folder;
            f.size = 0; // a folder's size depends on the file system's bookkeeping, not on what it holds
        } else if (S_ISLNK(info.st_mode)) {
            f.kind = FileFingerprint::Kind::link;
            f.sha256 = sha256Hex(fs::read_symlink(it->path(), ec).string());
        }
        tree.emplace(it->path().lexically_relative(root).string(), f);
    }
    if (ec)
        throw std::runtime_error("cannot list " + root.string() + ": " + ec.message());
    return tree;
}

std::vector<std::string> differences(const TreeFingerprint& before, const TreeFingerprint& after)
{
    std::vector<std::string> lines;
    for (const auto& [path, f] : before) {
        auto it = after.find(path);
        if (it == after.end())
            lines.push_back("gone: " + path);
        else if (!(it->second == f))
            lines.push_back("changed: " + path + ": " + describe(f) + " -> " + describe(it->second));
    }
    for (const auto& [path, f] : after)
        if (!before.count(path))
            lines.push_back("appeared: " + path + " (" + describe(f) + ")");
    return lines;
}

std::string describeDifferences(const TreeFingerprint& before, const TreeFingerprint& after)
{
    std::string text;
    for (const std::string& line : differences(before, after))
        text += "\n  " + line;
    return text;
}

} // namespace varnholt::test
