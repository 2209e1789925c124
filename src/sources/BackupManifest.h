#pragma once

#include "platform/DomainError.h"
#include "platform/Statement.h"
#include "sources/DatabaseSnapshot.h"
#include "sources/backup/ManifestIndex.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <tl/expected.hpp>

namespace varnholt {

// One row of a backup's Manifest.db, as its index holds it.
struct BackupFile {
    using Kind = backup::ManifestIndex::Kind;

    std::string fileID; // SHA-1 of "<domain>-<relativePath>", in lowercase hex
    std::string domain;
    std::string relativePath;
    Kind kind = Kind::other;
};

// What a file's MBFile record in Manifest.db says of it. Read only for the files an export reads:
// a keyed archive costs far more to decode than the index's columns.
struct BackupFileRecord {
    std::optional<std::uint64_t> size;
    std::optional<std::uint32_t> mode;
    std::optional<double> modified; // seconds since 1970
    // In an encrypted backup: the file's key, wrapped with its protection class's key (the class in
    // four little-endian bytes first). Empty in a backup made without a password.
    std::string encryptionKey;
};

// The index of an iPhone or iPad backup: which file of the phone lies under which hashed name.
// Manifest.db is read once, in one query, into a compact index in memory (see backup::ManifestIndex);
// the connection stays open for the records of the files an export reads. Opened read-only where it
// lies; never written. Not for use from two threads at once.
class BackupManifest {
public:
    // `scratchFolder`: where a private copy of Manifest.db may go if it cannot be read in place.
    // `decrypted`: an encrypted backup's Manifest.db, decrypted into a private folder, read in place of its own.
    // `domains`: the domains the index holds, those an export may read (every domain when not given).
    [[nodiscard]] static tl::expected<BackupManifest, DomainError>
    open(const std::filesystem::path& backup, const std::filesystem::path& scratchFolder,
         const std::optional<std::filesystem::path>& decrypted = std::nullopt,
         const std::optional<std::vector<std::string>>& domains = std::nullopt);

    BackupManifest(BackupManifest&&) noexcept = default;
    // Not assigned: the record query must go before the connection it was prepared on.
    BackupManifest& operator=(BackupManifest&&) = delete;

    // The files of `domain` whose relative path is `prefix` or lies below it (every file of the
    // domain when `prefix` is empty), in path order. A malformed fileID among them fails.
    [[nodiscard]] tl::expected<void, DomainError>
    forEachFile(const std::string& domain, const std::string& prefix,
                const std::function<void(const BackupFile&)>& visit) const;
    // One file by its path; nothing when the index does not hold it or its fileID is malformed.
    std::optional<BackupFile> find(const std::string& domain, const std::string& relativePath) const;
    // The file's MBFile record; fails when it is no keyed archive.
    [[nodiscard]] tl::expected<BackupFileRecord, DomainError> record(const BackupFile& file) const;

    // Where the backup keeps a file's bytes: <first two hex digits>/<fileID>.
    std::filesystem::path storedPath(const BackupFile& file) const;
    const std::filesystem::path& backup() const { return m_backup; }
    // The files indexed and the bytes the index takes.
    std::size_t indexedFiles() const { return m_index.size(); }
    std::size_t indexBytes() const { return m_index.bytes(); }

private:
    BackupManifest() = default;

    std::filesystem::path m_backup;
    DatabaseSnapshot m_snapshot;
    backup::ManifestIndex m_index;
    // The lookup of one record by its fileID, prepared once; declared after the connection, so it goes first.
    mutable Statement m_recordQuery;
};

// "<domain>-<relativePath>" hashed as the backup names its files.
std::string backupFileID(const std::string& domain, const std::string& relativePath);

} // namespace varnholt
