#include "sources/BackupManifest.h"

#include "platform/DomainError.h"
#include "platform/PropertyList.h"
#include "platform/Statement.h"

#include <array>
#include <fmt/format.h>
#include <openssl/sha.h>
#include <set>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
DomainError backupError(const fs::path& backup, const std::string& what, ErrorKind kind = ErrorKind::damaged)
{
    return DomainError("Backup", 1, "Cannot read the iPhone backup " + backup.string() + ": " + what, kind);
}

// An MBFile keyed archive: the root object's values are either inline or references into $objects.
std::optional<BackupFile> readRecord(std::string_view blob, BackupFile file)
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
    if (const std::optional<std::int64_t> size = value("Size").integer(); size && *size >= 0)
        file.size = static_cast<std::uint64_t>(*size);
    if (const std::optional<std::int64_t> modified = value("LastModified").integer())
        file.modified = static_cast<double>(*modified);
    // An archived NSData: a dictionary whose NS.data holds the bytes (plain data in some writers).
    const PropertyList::Node key = value("EncryptionKey");
    file.encryptionKey = key["NS.data"].data().value_or(key.data().value_or(""));
    return file;
}

BackupFile::Kind kindOf(std::int64_t flags)
{
    switch (flags) {
    case 1:
        return BackupFile::Kind::file;
    case 2:
        return BackupFile::Kind::folder;
    case 4:
        return BackupFile::Kind::link;
    default:
        return BackupFile::Kind::other;
    }
}

std::string likeEscaped(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        if (c == '%' || c == '_' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped;
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
                                                               const std::optional<fs::path>& decrypted)
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
    return manifest;
}

tl::expected<std::vector<BackupFile>, DomainError> BackupManifest::files(const std::string& domain,
                                                                         const std::string& prefix) const
{
    const Database& db = m_snapshot.database();
    auto rows = db.prepare("SELECT fileID, relativePath, flags, file FROM Files WHERE domain = ?1 AND "
                           "(?2 = '' OR relativePath = ?2 OR relativePath LIKE ?3 ESCAPE '\\') ORDER BY relativePath");
    if (!rows)
        return tl::unexpected(backupError(m_backup, "Manifest.db: " + rows.error()));
    rows->bindText(1, domain);
    rows->bindText(2, prefix);
    rows->bindText(3, likeEscaped(prefix) + "/%");
    std::vector<BackupFile> files;
    Statement::Step step;
    while ((step = rows->step()) == Statement::Step::Row) {
        BackupFile file;
        file.fileID = rows->columnText(0);
        file.domain = domain;
        file.relativePath = rows->columnText(1);
        file.kind = kindOf(rows->columnInt64(2));
        // Only a file's record says anything the layout needs (its size); a folder is a name.
        std::optional<BackupFile> read =
            file.kind == BackupFile::Kind::file ? readRecord(rows->columnBlob(3), file) : std::optional(file);
        // The stored name becomes a path: anything but 40 hex digits could point out of the backup.
        const bool wellNamed =
            file.fileID.size() == 40 && file.fileID.find_first_not_of("0123456789abcdef") == std::string::npos;
        if (!wellNamed)
            return tl::unexpected(backupError(m_backup, "the record of " + domain + " " + file.relativePath +
                                                            " in Manifest.db has a malformed fileID. Copy the "
                                                            "whole backup folder again, or make a new backup."));
        if (!read)
            return tl::unexpected(backupError(
                m_backup, "the record of " + domain + " " + file.relativePath +
                              " in Manifest.db is not a keyed archive. Copy the whole backup folder again, or make "
                              "a new backup."));
        files.push_back(std::move(*read));
    }
    if (step == Statement::Step::Error)
        return tl::unexpected(backupError(m_backup, "Manifest.db: " + db.errorMessage(), db.errorKind()));
    return files;
}

fs::path BackupManifest::storedPath(const BackupFile& file) const
{
    return m_backup / file.fileID.substr(0, 2) / file.fileID;
}

} // namespace varnholt
