#include "sources/backup/EncryptedFile.h"

#include "platform/AesCbcDecryptor.h"
#include "platform/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace varnholt::backup {

namespace fs = std::filesystem;

namespace {
constexpr std::size_t kPiece = 1u << 20;
constexpr std::size_t kBlock = 16;

DomainError failure(int code, std::string text, ErrorKind kind)
{
    return DomainError("Backup", code, std::move(text), kind);
}

DomainError systemFailure(const std::string& what, const fs::path& path, int error)
{
    const ErrorKind kind = errorKindOf(std::error_code(error, std::generic_category()));
    return failure(error, what + " " + path.string() + ": " + std::strerror(error), kind);
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

tl::expected<void, DomainError> decryptInto(int in, const fs::path& encrypted, std::string_view key,
                                            std::optional<std::uint64_t> size, int out, const fs::path& target)
{
    auto decryptor = AesCbcDecryptor::create(key);
    if (!decryptor)
        return tl::unexpected(
            failure(1, "The key of " + encrypted.string() + " is not an AES-256 key", ErrorKind::damaged));
    // A piece as large as the file, up to kPiece: most of a phone's files are small, and filling a
    // whole piece for each would cost more than decrypting it.
    struct stat status {};
    const std::size_t piece =
        ::fstat(in, &status) == 0 && status.st_size >= 0 && static_cast<std::uint64_t>(status.st_size) < kPiece
            ? std::max<std::size_t>(static_cast<std::size_t>(status.st_size), kBlock)
            : kPiece;
    std::string cipher(piece, '\0');
    std::string plain;
    std::uint64_t remaining = size.value_or(UINT64_MAX); // plain bytes still to write when the size is known
    // Without a size the last block holds the padding, so it is kept back until the end.
    const auto flush = [&](bool last) {
        std::size_t ready = plain.size();
        if (!size && !last)
            ready = plain.size() > kBlock ? plain.size() - kBlock : 0;
        const std::size_t take = static_cast<std::size_t>(std::min<std::uint64_t>(ready, remaining));
        if (!writeAll(out, std::string_view(plain).substr(0, take)))
            return false;
        if (size)
            remaining -= take;
        plain.erase(0, ready);
        return true;
    };
    std::uint64_t readTotal = 0;
    while (true) {
        const ssize_t got = ::read(in, cipher.data(), cipher.size());
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return tl::unexpected(systemFailure("Could not read", encrypted, errno));
        }
        if (got == 0)
            break;
        readTotal += static_cast<std::uint64_t>(got);
        if (!decryptor->update(std::string_view(cipher.data(), static_cast<std::size_t>(got)), plain))
            return tl::unexpected(failure(2, "Could not decrypt " + encrypted.string(), ErrorKind::damaged));
        if (!flush(false))
            return tl::unexpected(systemFailure("Could not write", target, errno));
    }
    if (readTotal % kBlock != 0 || !decryptor->finish(plain))
        return tl::unexpected(
            failure(3, encrypted.string() + " is not a whole encrypted file (" + std::to_string(readTotal) + " bytes)",
                    ErrorKind::damaged));
    if (!size) {
        const auto unpadded = withoutPkcs7Padding(plain);
        if (!unpadded)
            return tl::unexpected(
                failure(4, "Decrypting " + encrypted.string() + " gave no valid data", ErrorKind::damaged));
        plain.resize(unpadded->size());
    }
    if (!flush(true))
        return tl::unexpected(systemFailure("Could not write", target, errno));
    if (size && remaining > 0)
        return tl::unexpected(failure(5,
                                      encrypted.string() + " is shorter than the " + std::to_string(*size) +
                                          " bytes the backup records for it",
                                      ErrorKind::damaged));
    return {};
}
} // namespace

tl::expected<void, DomainError> decryptFile(const fs::path& encrypted, std::string_view key,
                                            std::optional<std::uint64_t> size, const fs::path& target)
{
    FileDescriptor in(::open(encrypted.c_str(), O_RDONLY | O_CLOEXEC | O_NOATIME));
    if (!in && errno == EPERM) // O_NOATIME is only for the file's owner
        in = FileDescriptor(::open(encrypted.c_str(), O_RDONLY | O_CLOEXEC));
    if (!in)
        return tl::unexpected(systemFailure("Could not open", encrypted, errno));
    FileDescriptor out(::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out)
        return tl::unexpected(systemFailure("Could not create", target, errno));
    auto result = decryptInto(in.get(), encrypted, key, size, out.get(), target);
    if (result) {
        if (const int error = out.close(); error != 0)
            result = tl::unexpected(systemFailure("Could not write", target, error));
    }
    if (!result) {
        out.close();
        std::error_code ignored;
        fs::remove(target, ignored);
    }
    return result;
}

} // namespace varnholt::backup
