#pragma once

#include "platform/DomainError.h"
#include "sources/DatabaseSnapshot.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <tl/expected.hpp>

namespace varnholt {

// One row of a backup's Manifest.db, with what its MBFile record says of the file.
struct BackupFile {
    enum class Kind { file, folder, link, other };

    std::string fileID; // SHA-1 of "<domain>-<relativePath>", in lowercase hex
    std::string domain;
    std::string relativePath;
    Kind kind = Kind::other;
    std::optional<std::uint64_t> size;
    std::optional<double> modified; // seconds since 1970
    // In an encrypted backup: the file's key, wrapped with its protection class's key (the class in
    // four little-endian bytes first). Empty in a backup made without a password.
    std::string encryptionKey;
};

// The index of an iPhone or iPad backup: which file of the phone lies under which hashed name.
// Opened read-only where it lies; never written.
class BackupManifest {
public:
    // `scratchFolder`: where a private copy of Manifest.db may go if it cannot be read in place.
    // `decrypted`: an encrypted backup's Manifest.db, decrypted into a private folder, read in place of its own.
    [[nodiscard]] static tl::expected<BackupManifest, DomainError>
    open(const std::filesystem::path& backup, const std::filesystem::path& scratchFolder,
         const std::optional<std::filesystem::path>& decrypted = std::nullopt);

    // The files of `domain` whose relative path is `prefix` or lies below it (every file of the
    // domain when `prefix` is empty), in path order. A file whose record is no MBFile keyed archive
    // fails.
    [[nodiscard]] tl::expected<std::vector<BackupFile>, DomainError> files(const std::string& domain,
                                                                           const std::string& prefix) const;

    // Where the backup keeps a file's bytes: <first two hex digits>/<fileID>.
    std::filesystem::path storedPath(const BackupFile& file) const;
    const std::filesystem::path& backup() const { return m_backup; }

private:
    std::filesystem::path m_backup;
    DatabaseSnapshot m_snapshot;
};

// "<domain>-<relativePath>" hashed as the backup names its files.
std::string backupFileID(const std::string& domain, const std::string& relativePath);

} // namespace varnholt
