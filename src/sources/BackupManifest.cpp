#include "sources/BackupManifest.h"

#include "platform/DomainError.h"
#include "platform/PropertyList.h"
#include "platform/Statement.h"

#include <array>
#include <fmt/format.h>
#include <openssl/sha.h>
#include <set>
#include <utility>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
DomainError backupError(const fs::path& backup, const std::string& what, ErrorKind kind = ErrorKind::damaged)
{
    return DomainError("Backup", 1, "Cannot read the iPhone backup " + backup.string() + ": " + what, kind);
}

// An MBFile keyed archive: the root object's values are either inline or references into $objects.
std::optional<BackupFileRecord> readRecord(std::string_view blob)
{
    const std::optional<PropertyList> archive = PropertyList::parse(blob);
    if (!archive)
        return std::nullopt;
    const PropertyList::Node objects = archive->root()["$objects"];
    const std::optional<std::uint64_t> rootIndex = archive->root()["$top"]["root"].uid();
    if (!objects.isValid() || !rootIndex)
        return std::nullopt;
    const PropertyList::Node record = objects.at(*rootIndex);
    if (!record.isValid() || !record["$class"].isValid())
        return std::nullopt;
    auto value = [&](const char* key) {
        const PropertyList::Node node = record[key];
        if (const std::optional<std::uint64_t> reference = node.uid())
            return objects.at(*reference);
        return node;
    };
    BackupFileRecord file;
    if (const std::optional<std::int64_t> size = value("Size").integer(); size && *size >= 0)
        file.size = static_cast<std::uint64_t>(*size);
    if (const std::optional<std::int64_t> mode = value("Mode").integer(); mode && *mode >= 0)
        file.mode = static_cast<std::uint32_t>(*mode);
    if (const std::optional<std::int64_t> modified = value("LastModified").integer())
        file.modified = static_cast<double>(*modified);
    // An archived NSData: a dictionary whose NS.data holds the bytes (plain data in some writers).
    const PropertyList::Node key = value("EncryptionKey");
    file.encryptionKey = key["NS.data"].data().value_or(key.data().value_or(""));
    return file;
}

BackupFile fileOf(const backup::ManifestIndex::Entry& entry)
{
    return BackupFile{entry.fileID, std::string(entry.domain), std::string(entry.relativePath), entry.kind};
}

std::string inList(std::size_t count)
{
    std::string list;
    for (std::size_t i = 1; i <= count; ++i)
        list += (i > 1 ? ", ?" : "?") + std::to_string(i);
    return list;
}
} // namespace

std::string backupFileID(const std::string& domain, const std::string& relativePath)
{
    const std::string key = domain + "-" + relativePath;
    std::array<unsigned char, SHA_DIGEST_LENGTH> digest{};
    SHA1(reinterpret_cast<const unsigned char*>(key.data()), key.size(), digest.data());
    std::string hex;
    for (unsigned char byte : digest)
        hex += fmt::format("{:02x}", byte);
    return hex;
}

tl::expected<BackupManifest, DomainError> BackupManifest::open(const fs::path& backup, const fs::path& scratchFolder,
                                                               const std::optional<fs::path>& decrypted,
                                                               const std::optional<std::vector<std::string>>& domains)
{
    const fs::path path = decrypted.value_or(backup / "Manifest.db");
    std::error_code ec;
    if (!fs::exists(path, ec)) {
        if (fs::exists(backup / "Manifest.mbdb", ec))
            return tl::unexpected(backupError(backup,
                                              "it was made by iOS 9 or older (Manifest.mbdb), a layout Varnholt "
                                              "does not read. Make a new backup of the device and export from it.",
                                              ErrorKind::badInput));
        return tl::unexpected(backupError(backup,
                                          "Manifest.db is missing, so the files in it cannot be found. Copy the "
                                          "whole backup folder again, or make a new backup.",
                                          ErrorKind::damaged));
    }
    auto snapshot = DatabaseSnapshot::open(path, scratchFolder);
    if (!snapshot)
        return tl::unexpected(
            backupError(backup, "Manifest.db: " + snapshot.error().description(), snapshot.error().kind()));
    const std::set<std::string> columns = snapshot->database().columnsOf("Files").value_or(std::set<std::string>{});
    if (columns.empty())
        return tl::unexpected(
            backupError(backup, "Manifest.db has no Files table, so it is not the manifest of a backup. Copy the whole "
                                "backup folder again, or make a new backup."));
    for (const char* column : {"fileID", "domain", "relativePath", "flags", "file"})
        if (!columns.count(column))
            return tl::unexpected(backupError(backup,
                                              std::string("its Manifest.db has a layout Varnholt does not know (no ") +
                                                  column +
                                                  " column in Files); it may come from a newer iOS. Look for a "
                                                  "newer Varnholt.",
                                              ErrorKind::badInput));
    BackupManifest manifest;
    manifest.m_backup = backup;
    manifest.m_snapshot = std::move(*snapshot);
    const Database& db = manifest.m_snapshot.database();
    // The whole index in one pass over the table; the records stay in it until a file is read.
    auto rows = db.prepare("SELECT fileID, domain, relativePath, flags FROM Files" +
                           (domains ? " WHERE domain IN (" + inList(domains->size()) + ")" : std::string()));
    if (!rows)
        return tl::unexpected(backupError(backup, "Manifest.db: " + rows.error()));
    for (std::size_t i = 0; domains && i < domains->size(); ++i)
        rows->bindText(static_cast<int>(i + 1), (*domains)[i]);
    Statement::Step step;
    while ((step = rows->step()) == Statement::Step::Row)
        if (!manifest.m_index.add(rows->columnBlob(0), rows->columnBlob(1), rows->columnBlob(2), rows->columnInt64(3)))
            return tl::unexpected(backupError(backup, "its Manifest.db names more files or domains than any phone "
                                                      "holds. Copy the whole backup folder again, or make a new "
                                                      "backup."));
    if (step == Statement::Step::Error)
        return tl::unexpected(backupError(backup, "Manifest.db: " + db.errorMessage(), db.errorKind()));
    manifest.m_index.finish();
    auto record = db.prepare("SELECT file FROM Files WHERE fileID = ?1");
    if (!record)
        return tl::unexpected(backupError(backup, "Manifest.db: " + record.error()));
    manifest.m_recordQuery = std::move(*record);
    return manifest;
}

tl::expected<void, DomainError> BackupManifest::forEachFile(const std::string& domain, const std::string& prefix,
                                                            const std::function<void(const BackupFile&)>& visit) const
{
    std::optional<DomainError> failure;
    m_index.forEach(domain, prefix, [&](const backup::ManifestIndex::Entry& entry) {
        if (failure)
            return;
        if (entry.fileID.empty()) {
            failure = backupError(m_backup, "the record of " + domain + " " + std::string(entry.relativePath) +
                                                " in Manifest.db has a malformed fileID. Copy the whole backup "
                                                "folder again, or make a new backup.");
            return;
        }
        visit(fileOf(entry));
    });
    if (failure)
        return tl::unexpected(std::move(*failure));
    return {};
}

std::optional<BackupFile> BackupManifest::find(const std::string& domain, const std::string& relativePath) const
{
    const std::optional<backup::ManifestIndex::Entry> entry = m_index.find(domain, relativePath);
    if (!entry || entry->fileID.empty())
        return std::nullopt;
    return fileOf(*entry);
}

tl::expected<BackupFileRecord, DomainError> BackupManifest::record(const BackupFile& file) const
{
    const Database& db = m_snapshot.database();
    m_recordQuery.reset();
    m_recordQuery.bindText(1, file.fileID);
    const Statement::Step step = m_recordQuery.step();
    if (step == Statement::Step::Error)
        return tl::unexpected(backupError(m_backup, "Manifest.db: " + db.errorMessage(), db.errorKind()));
    std::optional<BackupFileRecord> read;
    if (step == Statement::Step::Row)
        read = readRecord(m_recordQuery.columnBlob(0));
    m_recordQuery.reset();
    if (!read)
        return tl::unexpected(backupError(m_backup, "the record of " + file.domain + " " + file.relativePath +
                                                        " in Manifest.db is not a keyed archive. Copy the whole "
                                                        "backup folder again, or make a new backup."));
    return *read;
}

fs::path BackupManifest::storedPath(const BackupFile& file) const
{
    return m_backup / file.fileID.substr(0, 2) / file.fileID;
}

} // namespace varnholt
