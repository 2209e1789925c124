#include "sources/BackupSource.h"

#include "platform/DomainError.h"
#include "platform/Files.h"
#include "platform/PropertyList.h"
#include "platform/Trace.h"
#include "sources/BackupManifest.h"
#include "sources/SourceData.h"
#include "sources/backup/EncryptedFile.h"

#include <algorithm>
#include <ctime>
#include <fmt/format.h>
#include <set>
#include <string_view>
#include <sys/stat.h>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
constexpr const char* kHome = "HomeDomain";
constexpr const char* kMedia = "MediaDomain";
constexpr const char* kNotes = "AppDomainGroup-group.com.apple.notes";
constexpr const char* kVoiceMemos = "AppDomainGroup-group.com.apple.VoiceMemos.shared";

struct Wanted {
    const char* domain;
    const char* prefix; // empty: the whole domain
    bool linked = true; // false: thousands of files, found through locateFile() rather than one link each
};

std::vector<Wanted> wantedFor(std::optional<ExporterType> what)
{
    const std::vector<Wanted> messages{
        {kHome, "Library/SMS/sms.db"},
        {kHome, "Library/SMS/sms.db-wal"},
        {kMedia, "Library/SMS/Attachments", false},
        {kHome, "Library/AddressBook/AddressBook.sqlitedb"},
        {kHome, "Library/AddressBook/AddressBook.sqlitedb-wal"},
    };
    const std::vector<Wanted> notes{{kNotes, ""}};
    const std::vector<Wanted> voiceMemos{{kMedia, "Media/Recordings"}, {kVoiceMemos, ""}};
    if (what == ExporterType::messages)
        return messages;
    if (what == ExporterType::notes)
        return notes;
    if (what == ExporterType::voiceMemos)
        return voiceMemos;
    if (what)
        return {};
    std::vector<Wanted> all = messages;
    all.insert(all.end(), notes.begin(), notes.end());
    all.insert(all.end(), voiceMemos.begin(), voiceMemos.end());
    return all;
}

DomainError backupError(const std::string& backup, const std::string& what, ErrorKind kind = ErrorKind::damaged)
{
    return DomainError("Backup", 1, "Cannot read the iPhone backup " + backup + ": " + what, kind);
}

bool isPresent(const fs::path& path)
{
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found;
}

std::optional<PropertyList> readPropertyList(const fs::path& path)
{
    const auto bytes = readFile(path);
    if (!bytes)
        return std::nullopt;
    return PropertyList::parse(*bytes);
}

// A path from the manifest becomes a path in the private folder: nothing in it may climb out. Split
// by hand rather than as a path: this runs for every file of a phone's attachments.
bool isSafeRelativePath(std::string_view relativePath)
{
    if (relativePath.empty() || relativePath.front() == '/')
        return false;
    for (std::size_t start = 0;;) {
        const std::size_t slash = relativePath.find('/', start);
        const std::string_view part =
            relativePath.substr(start, slash == std::string_view::npos ? slash : slash - start);
        if (part == "." || part == "..")
            return false;
        if (slash == std::string_view::npos)
            return !part.empty(); // "a/b/" names no file; "a//b" is "a/b"
        start = slash + 1;
    }
}

// What an export cannot go on without when it is gone: the databases and their logs. Anything else
// missing is skipped and reported by the exporter, as a missing file in a home is.
bool isDatabaseFile(const std::string& relativePath)
{
    for (const char* ending : {".db", ".sqlite", ".sqlitedb", ".db-wal", ".sqlite-wal", ".sqlitedb-wal"})
        if (relativePath.ends_with(ending))
            return true;
    return false;
}

// Why a file the manifest names cannot be read from the backup: it is missing, or shorter than its
// record says (`size`, when the record was read).
struct StorageProblem {
    bool missing;
    std::string text; // "is missing from it (…)"
};

std::optional<StorageProblem> storageProblem(const BackupFile& file, const fs::path& stored,
                                             std::optional<std::uint64_t> size)
{
    struct stat status {};
    if (::stat(stored.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return StorageProblem{true, "is missing from it (" + stored.parent_path().filename().string() + "/" +
                                        file.fileID + ")"};
    if (size && static_cast<std::uint64_t>(status.st_size) < *size)
        return StorageProblem{false, fmt::format("is cut short in it ({} of {} bytes in {}/{})", status.st_size, *size,
                                                 stored.parent_path().filename().string(), file.fileID)};
    return std::nullopt;
}

fs::path nearestExistingFolder(fs::path folder)
{
    std::error_code ec;
    folder = fs::absolute(folder, ec);
    while (!folder.empty() && !fs::is_directory(folder, ec)) {
        if (folder == folder.parent_path())
            return {};
        folder = folder.parent_path();
    }
    return folder;
}
} // namespace

bool BackupSource::looksLikeBackup(const std::string& folder)
{
    return isPresent(fs::path(folder) / "Manifest.db") || isPresent(fs::path(folder) / "Manifest.plist") ||
           isPresent(fs::path(folder) / "Manifest.mbdb");
}

BackupSource::BackupSource(std::string folder, Identity identity)
    : m_root(std::move(folder)), m_identity(std::move(identity))
{
}

std::shared_ptr<BackupSource> BackupSource::identify(const std::string& folder)
{
    const fs::path root(folder);
    if (!isPresent(root / "Manifest.plist"))
        throw backupError(folder,
                          "Manifest.plist is missing. Copy the whole backup folder again, or make a new backup.",
                          ErrorKind::damaged);
    const std::optional<PropertyList> manifest = readPropertyList(root / "Manifest.plist");
    if (!manifest || (!manifest->root()["Lockdown"].isValid() && !manifest->root()["IsEncrypted"].isValid()))
        throw backupError(folder, "Manifest.plist is not the property list of a backup. Copy the whole backup "
                                  "folder again, or make a new backup.");
    Identity identity;
    const PropertyList::Node lockdown = manifest->root()["Lockdown"];
    identity.deviceName = lockdown["DeviceName"].text().value_or("");
    identity.productVersion = lockdown["ProductVersion"].text().value_or("");
    std::string productType = lockdown["ProductType"].text().value_or("");
    // Info.plist is the one Finder shows; Manifest.plist's copy stands in where it is missing.
    if (const std::optional<PropertyList> info = readPropertyList(root / "Info.plist")) {
        identity.deviceName = info->root()["Device Name"].text().value_or(identity.deviceName);
        identity.productVersion = info->root()["Product Version"].text().value_or(identity.productVersion);
        productType = info->root()["Product Type"].text().value_or(productType);
        identity.lastBackup = info->root()["Last Backup Date"].date();
    }
    if (!identity.lastBackup)
        identity.lastBackup = manifest->root()["Date"].date();
    identity.encrypted = manifest->root()["IsEncrypted"].boolean().value_or(false);
    identity.deviceKind = productType.starts_with("iPad")   ? "iPad"
                          : productType.starts_with("iPod") ? "iPod"
                                                            : "iPhone";
    if (identity.deviceName.empty())
        identity.deviceName = "an unnamed " + identity.deviceKind;
    auto source = std::make_shared<BackupSource>(folder, std::move(identity));
    if (source->m_identity.encrypted) {
        source->m_keybagBytes = manifest->root()["BackupKeyBag"].data().value_or("");
        source->m_manifestKey = manifest->root()["ManifestKey"].data().value_or("");
        if (source->m_keybagBytes.empty() || source->m_manifestKey.empty())
            throw backupError(folder, "it is encrypted, but its Manifest.plist holds no keybag or no key for "
                                      "Manifest.db. Copy the whole backup folder again, or make a new backup.");
    }
    return source;
}

std::shared_ptr<BackupSource> BackupSource::open(const std::string& folder, const std::string& nearFolder,
                                                 std::optional<ExporterType> what, const SourceUnlock& unlock)
{
    auto source = identify(folder);
    if (source->m_identity.encrypted)
        source->unlockWith(unlock);
    source->layOut(nearFolder, what);
    return source;
}

void BackupSource::unlockWith(const SourceUnlock& unlock)
{
    auto keybag = backup::BackupKeybag::parse(m_keybagBytes);
    if (!keybag)
        throw backupError(m_root, keybag.error() + ". Copy the whole backup folder again, or make a new backup.");
    if (unlock.passwords.empty())
        throw backupError(m_root,
                          "it is encrypted. Give its password with --password-file FILE (one password a line), "
                          "type it when asked, or enter it in the window's password field.",
                          ErrorKind::badInput);
    const double share = 1.0 / static_cast<double>(unlock.passwords.size());
    for (std::size_t i = 0; i < unlock.passwords.size(); ++i) {
        Trace::line("[Backup] Deriving the key of the encrypted backup (password " + std::to_string(i + 1) + " of " +
                    std::to_string(unlock.passwords.size()) + ")");
        const auto key = keybag->derivePasswordKey(
            unlock.passwords[i],
            [&](double done) {
                if (unlock.progress)
                    unlock.progress((static_cast<double>(i) + done) * share);
            },
            unlock.stop);
        if (!key)
            throw DomainError("Backup", 2, "Opening the encrypted backup was cancelled", ErrorKind::cancelled);
        if (keybag->unlock(*key)) {
            m_keybag = std::move(*keybag);
            return;
        }
    }
    throw backupError(
        m_root,
        "the backup password is wrong: " +
            std::string(unlock.passwords.size() == 1
                            ? "the password given does not open it"
                            : "none of the " + std::to_string(unlock.passwords.size()) + " passwords given opens it") +
            ". Put the password set for this backup in Finder, iTunes or idevicebackup2 in the "
            "password file, or type it again.",
        ErrorKind::badInput);
}

void BackupSource::layOut(const std::string& nearFolder, std::optional<ExporterType> what)
{
    std::error_code ec;
    fs::path parent = nearFolder.empty() ? fs::temp_directory_path(ec) : nearestExistingFolder(nearFolder);
    if (parent.empty())
        parent = fs::temp_directory_path(ec);
    auto layout = PrivateFolder::create(parent, ".varnholt-backup-");
    if (!layout)
        throw layout.error();
    m_layout = std::move(*layout);

    // Each folder made once: a phone's attachments lie one to a folder, thousands of them.
    std::set<fs::path> made;
    auto makeFolder = [&made](const fs::path& folder) {
        if (made.count(folder))
            return;
        std::error_code failed;
        if (fs::create_directories(folder, failed); failed)
            throw FileSystemError("create a folder in", folder.parent_path(), failed);
        for (fs::path above = folder; !above.empty() && made.insert(above).second; above = above.parent_path()) {
        }
    };
    std::optional<fs::path> decryptedManifest;
    if (m_keybag) {
        const std::optional<std::string> key = m_keybag->unwrapKey(m_manifestKey);
        if (!key)
            throw backupError(m_root, "the key of its Manifest.db does not unwrap with the backup's keys. Copy the "
                                      "whole backup folder again, or make a new backup.");
        decryptedManifest = m_layout.path() / ".Manifest.db";
        if (auto done = backup::decryptFile(fs::path(m_root) / "Manifest.db", *key, std::nullopt, *decryptedManifest);
            !done)
            throw backupError(m_root, "Manifest.db: " + done.error().description(), done.error().kind());
    }
    const std::vector<Wanted> wanted = wantedFor(what);
    std::vector<std::string> domains;
    for (const Wanted& one : wanted)
        if (std::find(domains.begin(), domains.end(), one.domain) == domains.end())
            domains.emplace_back(one.domain);
    auto manifest = BackupManifest::open(m_root, m_layout.path(), decryptedManifest, domains);
    if (!manifest)
        throw manifest.error();
    m_manifest.emplace(std::move(*manifest));
    for (const Wanted& one : wanted) {
        // A plain backup's attachments are read where they lie; an encrypted one's must be decrypted first.
        const bool unlinked = !one.linked && !m_keybag;
        if (unlinked)
            m_unlinked.push_back(
                {one.domain, one.prefix, fs::path(inLayout(one.domain)).lexically_normal().string() + "/"});
        auto listed = m_manifest->forEachFile(one.domain, one.prefix, [&](const BackupFile& file) {
            const auto name = [&file] { return file.domain + " " + file.relativePath; };
            // SQLite's shared index of a phone's log is no use here: the log is indexed in memory.
            if (file.relativePath.ends_with("-shm") || file.kind == BackupFile::Kind::link ||
                file.kind == BackupFile::Kind::other)
                return;
            if (!isSafeRelativePath(file.relativePath)) {
                Trace::line("[Backup] \u26A0\uFE0F Skipped " + name() + ": the path climbs out of its domain");
                return;
            }
            // Nothing is laid out for unlinked files, not even their folders: a phone has thousands.
            if (file.kind == BackupFile::Kind::folder) {
                if (!unlinked)
                    makeFolder(inLayout(file.domain, file.relativePath));
                return;
            }
            const fs::path stored = m_manifest->storedPath(file);
            // An unlinked file's record is read only if the export asks for the file.
            std::optional<BackupFileRecord> record;
            if (!unlinked) {
                auto read = m_manifest->record(file);
                if (!read)
                    throw read.error();
                record = std::move(*read);
            }
            if (const auto problem = storageProblem(file, stored, record ? record->size : std::nullopt)) {
                if (isDatabaseFile(file.relativePath))
                    throw backupError(m_root, name() + " " + problem->text +
                                                  ". Copy the whole backup folder again, or make a new backup.");
                Trace::line("[Backup] \u26A0\uFE0F " + name() + " " + problem->text);
                return;
            }
            if (unlinked)
                return;
            const fs::path place = inLayout(file.domain, file.relativePath);
            makeFolder(place.parent_path());
            placeFile(file, *record, stored, place);
        });
        if (!listed)
            throw listed.error();
    }
}

void BackupSource::placeFile(const BackupFile& file, const BackupFileRecord& record, const fs::path& stored,
                             const fs::path& place) const
{
    std::error_code ec;
    if (!m_keybag) {
        if (fs::create_symlink(fs::absolute(stored), place, ec); ec)
            throw FileSystemError("create a link in", place.parent_path(), ec);
        return;
    }
    // Decrypted copies go only into the private folder, which is removed with the source.
    const std::string name = file.domain + " " + file.relativePath;
    const std::optional<std::string> key = m_keybag->unwrapKey(record.encryptionKey);
    if (!key) {
        const std::string problem = "has no key in the manifest that opens it";
        if (isDatabaseFile(file.relativePath))
            throw backupError(m_root,
                              name + " " + problem + ". Copy the whole backup folder again, or make a new backup.");
        Trace::line("[Backup] \u26A0\uFE0F " + name + " " + problem);
        return;
    }
    if (auto done = backup::decryptFile(stored, *key, record.size, place); !done) {
        if (done.error().kind() == ErrorKind::diskFull)
            throw done.error();
        if (isDatabaseFile(file.relativePath))
            throw backupError(m_root, name + ": " + done.error().description(), done.error().kind());
        Trace::line("[Backup] \u26A0\uFE0F " + name + ": " + done.error().description());
    }
}

std::string BackupSource::inLayout(const std::string& domain, const std::string& relativePath) const
{
    fs::path path = m_layout.path() / domain;
    if (!relativePath.empty())
        path /= relativePath;
    return path.string();
}

SourceDescription BackupSource::describe() const
{
    SourceDescription description;
    description.kind = SourceKind::backup;
    description.encrypted = m_identity.encrypted;
    description.deviceKind = m_identity.deviceKind;
    description.deviceName = m_identity.deviceName;
    description.osVersion = m_identity.productVersion;
    description.backupDate = m_identity.lastBackup;
    description.title = m_identity.deviceKind + " backup of " + m_identity.deviceName;
    if (!m_identity.productVersion.empty())
        description.title += ", iOS " + m_identity.productVersion;
    if (m_identity.lastBackup) {
        const auto seconds = static_cast<std::time_t>(*m_identity.lastBackup);
        std::tm local{};
        if (localtime_r(&seconds, &local))
            description.title += fmt::format(", {:04}-{:02}-{:02} {:02}:{:02}", local.tm_year + 1900, local.tm_mon + 1,
                                             local.tm_mday, local.tm_hour, local.tm_min);
    }
    description.stores = describeStores(*this);
    return description;
}

std::string BackupSource::accessProbe(ExporterType type) const
{
    // Every store of a backup is reached through its manifest.
    if (sourceDataLocations(type, *this).empty())
        return {};
    return (fs::path(m_root) / "Manifest.db").string();
}

std::string BackupSource::messagesDatabase() const
{
    return inLayout(kHome, "Library/SMS/sms.db");
}

std::string BackupSource::messagesHome() const
{
    // The database names attachments "~/Library/SMS/Attachments/…"; they lie in the media domain.
    return inLayout(kMedia);
}

std::string BackupSource::messagesAttachments() const
{
    return inLayout(kMedia, "Library/SMS/Attachments");
}

std::vector<std::string> BackupSource::contactsDatabases() const
{
    const std::string book = inLayout(kHome, "Library/AddressBook/AddressBook.sqlitedb");
    if (m_layout.path().empty() || !isPresent(book))
        return {};
    return {book};
}

std::string BackupSource::notesContainer() const
{
    return inLayout(kNotes);
}

std::string BackupSource::notesStore() const
{
    return inLayout(kNotes, "NoteStore.sqlite");
}

std::vector<std::string> BackupSource::recordingFolders() const
{
    return {inLayout(kVoiceMemos, "Recordings"), inLayout(kMedia, "Media/Recordings")};
}

std::string BackupSource::copiedFilesContainer() const
{
    return m_keybag ? m_layout.path().string() : m_root;
}

std::string BackupSource::locateFile(const std::string& path) const
{
    if (m_unlinked.empty())
        return path;
    // A name from the database may hold "." or ".." (or "//"): resolved by name before the index is
    // asked; the normalisation is skipped where none can be.
    const bool normal = path.find("/.") == std::string::npos && path.find("//") == std::string::npos;
    const std::lock_guard lock(m_manifestUse);
    return storedUnlinked(normal ? path : fs::path(path).lexically_normal().string()).value_or(path);
}

std::optional<std::string> BackupSource::storedUnlinked(const std::string& place) const
{
    for (const Unlinked& unlinked : m_unlinked) {
        if (!place.starts_with(unlinked.domainFolder))
            continue;
        const std::string relativePath = place.substr(unlinked.domainFolder.size());
        const std::string& prefix = unlinked.prefix;
        if (!isSafeRelativePath(relativePath) || relativePath.ends_with("-shm") ||
            !(prefix.empty() || relativePath == prefix ||
              (relativePath.starts_with(prefix) && relativePath[prefix.size()] == '/')))
            continue;
        const std::optional<BackupFile> file = m_manifest->find(unlinked.domain, relativePath);
        if (!file || file->kind != BackupFile::Kind::file)
            return std::nullopt;
        auto record = m_manifest->record(*file);
        if (!record)
            throw record.error();
        const fs::path stored = m_manifest->storedPath(*file);
        if (const auto problem = storageProblem(*file, stored, record->size)) {
            // A missing one was named when the backup was laid out.
            if (!problem->missing)
                Trace::line("[Backup] \u26A0\uFE0F " + unlinked.domain + " " + relativePath + " " + problem->text);
            return std::nullopt;
        }
        return fs::absolute(stored).string();
    }
    return std::nullopt;
}

std::string BackupSource::displayPath(const std::string& path) const
{
    const std::string layout = m_layout.path().string();
    std::string inside;
    if (layout.empty() && fs::path(path).is_relative())
        inside = path; // not laid out: "<domain>/<path>"
    else if (!layout.empty() && path.starts_with(layout + "/"))
        inside = path.substr(layout.size() + 1);
    else
        return path;
    const std::size_t slash = inside.find('/');
    if (slash == std::string::npos)
        return inside + " in the backup";
    return inside.substr(0, slash) + " " + inside.substr(slash + 1) + " in the backup";
}

} // namespace varnholt
