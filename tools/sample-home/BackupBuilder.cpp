#include "sample-home/BackupBuilder.h"

#include "platform/AesCbcDecryptor.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Statement.h"
#include "sample-home/SampleFiles.h"
#include "sample-home/SamplePlist.h"
#include "sample-home/VoiceMemosSample.h"
#include "sample-home/WriteAheadLogSample.h"
#include "sources/BackupManifest.h"

#include <cstdlib>
#include <fstream>
#include <memory>
#include <plist/plist.h>
#include <set>
#include <stdexcept>

namespace varnholt::sample {

namespace fs = std::filesystem;

namespace {
// Seconds since 1970 as a property-list date (seconds since 2001).
plist_t dateNode(long long secondsSince1970)
{
    return plist_new_date(static_cast<int32_t>(secondsSince1970 - 978307200), 0);
}
} // namespace

std::string makeMBFileArchive(const std::string& relativePath, std::uint64_t size, int mode, long long modified,
                              const std::string& encryptionKey)
{
    PlistPtr archive(plist_new_dict());
    plist_t objects = startKeyedArchive(archive);
    plist_t record = plist_new_dict();
    plist_dict_set_item(record, "$class", plist_new_uid(3));
    plist_dict_set_item(record, "RelativePath", plist_new_uid(2));
    plist_dict_set_item(record, "Size", plist_new_uint(size));
    plist_dict_set_item(record, "Mode", plist_new_uint(static_cast<uint64_t>(mode)));
    plist_dict_set_item(record, "UserID", plist_new_uint(501));
    plist_dict_set_item(record, "GroupID", plist_new_uint(501));
    plist_dict_set_item(record, "Birth", plist_new_uint(static_cast<uint64_t>(modified)));
    plist_dict_set_item(record, "LastModified", plist_new_uint(static_cast<uint64_t>(modified)));
    plist_dict_set_item(record, "LastStatusChange", plist_new_uint(static_cast<uint64_t>(modified)));
    plist_dict_set_item(record, "InodeNumber", plist_new_uint(std::hash<std::string>{}(relativePath)&0xFFFFFF));
    plist_dict_set_item(record, "ProtectionClass", plist_new_uint(3));
    plist_dict_set_item(record, "Flags", plist_new_uint(0));
    plist_array_append_item(objects, record);
    plist_array_append_item(objects, plist_new_string(relativePath.c_str()));
    plist_array_append_item(objects, archivedClass("MBFile"));
    if (!encryptionKey.empty()) {
        // An archived NSMutableData: its bytes under NS.data, its class after it.
        plist_dict_set_item(record, "EncryptionKey", plist_new_uid(4));
        plist_t data = plist_new_dict();
        plist_dict_set_item(data, "NS.data", plistData(encryptionKey));
        plist_dict_set_item(data, "$class", plist_new_uid(5));
        plist_array_append_item(objects, data);
        plist_t dataClass = plist_new_dict();
        plist_dict_set_item(dataClass, "$classname", plist_new_string("NSMutableData"));
        plist_t dataClasses = plist_new_array();
        plist_array_append_item(dataClasses, plist_new_string("NSMutableData"));
        plist_array_append_item(dataClasses, plist_new_string("NSData"));
        plist_array_append_item(dataClasses, plist_new_string("NSObject"));
        plist_dict_set_item(dataClass, "$classes", dataClasses);
        plist_array_append_item(objects, dataClass);
    }
    return binaryPlist(archive.get());
}

namespace {
// Files a phone keeps readable after its first unlock: the class most of a backup's files carry.
constexpr std::uint32_t kFileClass = 3;
constexpr std::uint32_t kManifestClass = 4;
} // namespace

BackupBuilder::BackupBuilder(fs::path folder, const std::optional<BackupEncryption>& encryption)
    : m_folder(std::move(folder))
{
    fs::create_directories(m_folder);
    if (encryption)
        m_keybag.emplace(encryption->password, encryption->rounds);
}

fs::path BackupBuilder::storedPath(const std::string& domain, const std::string& relativePath) const
{
    const std::string id = backupFileID(domain, relativePath);
    return m_folder / id.substr(0, 2) / id;
}

void BackupBuilder::addParents(const std::string& domain, const std::string& relativePath)
{
    for (fs::path parent = fs::path(relativePath).parent_path(); !parent.empty(); parent = parent.parent_path())
        addFolder(domain, parent.string());
}

void BackupBuilder::addFolder(const std::string& domain, const std::string& relativePath)
{
    for (const Entry& entry : m_entries)
        if (entry.domain == domain && entry.relativePath == relativePath)
            return;
    m_entries.push_back({domain, relativePath, 2, 0, {}});
}

void BackupBuilder::addBytes(const std::string& domain, const std::string& relativePath, std::string_view bytes)
{
    std::string wrappedKey;
    if (m_keybag) {
        std::string key;
        wrappedKey = m_keybag->wrapNewKey(kFileClass, key);
        writeSampleFile(storedPath(domain, relativePath), aesCbcEncrypt(key, bytes).value());
    } else {
        writeSampleFile(storedPath(domain, relativePath), bytes);
    }
    addParents(domain, relativePath);
    m_entries.push_back({domain, relativePath, 1, bytes.size(), wrappedKey});
}

void BackupBuilder::addFile(const std::string& domain, const std::string& relativePath, const fs::path& from)
{
    if (m_keybag) {
        const auto bytes = readFile(from);
        if (!bytes)
            throw std::runtime_error("sample backup: cannot read " + from.string());
        addBytes(domain, relativePath, *bytes);
        return;
    }
    const fs::path stored = storedPath(domain, relativePath);
    fs::create_directories(stored.parent_path());
    fs::copy_file(from, stored, fs::copy_options::overwrite_existing);
    addParents(domain, relativePath);
    m_entries.push_back({domain, relativePath, 1, fs::file_size(from), {}});
}

void BackupBuilder::addTree(const std::string& domain, const std::string& relativePrefix, const fs::path& from)
{
    for (const fs::directory_entry& item : fs::recursive_directory_iterator(from)) {
        const std::string relative = (fs::path(relativePrefix) / item.path().lexically_relative(from)).string();
        if (item.is_directory())
            addFolder(domain, relative);
        else if (item.is_regular_file())
            addFile(domain, relative, item.path());
    }
}

void BackupBuilder::finish(const Device& device)
{
    const fs::path manifestPath = m_folder / "Manifest.db";
    fs::remove(manifestPath);
    {
        auto db = Database::open(manifestPath.string(), Database::Mode::ReadWriteCreate);
        if (!db)
            throw std::runtime_error("cannot create the sample backup manifest: " + db.error());
        auto run = [&db](const std::string& sql) {
            if (auto done = db->exec(sql); !done)
                throw std::runtime_error("sample backup manifest: " + done.error());
        };
        run("CREATE TABLE Files (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT, flags INTEGER, file BLOB)");
        run("CREATE INDEX FilesDomainIdx ON Files(domain)");
        run("CREATE INDEX FilesRelativePathIdx ON Files(relativePath)");
        run("CREATE INDEX FilesFlagsIdx ON Files(flags)");
        run("CREATE TABLE Properties (key TEXT PRIMARY KEY, value BLOB)");
        run("BEGIN");
        for (const Entry& entry : m_entries) {
            auto insert = db->prepare("INSERT OR REPLACE INTO Files VALUES (?1, ?2, ?3, ?4, ?5)");
            if (!insert)
                throw std::runtime_error("sample backup manifest: " + insert.error());
            const std::string archive =
                makeMBFileArchive(entry.relativePath, entry.size, entry.flags == 2 ? 040755 : 0100644,
                                  device.lastBackup, entry.encryptionKey);
            insert->bindText(1, backupFileID(entry.domain, entry.relativePath));
            insert->bindText(2, entry.domain);
            insert->bindText(3, entry.relativePath);
            insert->bindInt(4, entry.flags);
            insert->bindBlob(5, archive.data(), static_cast<int>(archive.size()));
            if (insert->step() != Statement::Step::Done)
                throw std::runtime_error("sample backup manifest: " + db->errorMessage());
        }
        run("COMMIT");
    }

    std::string manifestKey;
    if (m_keybag) {
        std::string key;
        manifestKey = m_keybag->wrapNewKey(kManifestClass, key);
        const auto plain = readFile(manifestPath);
        if (!plain)
            throw std::runtime_error("sample backup: cannot read back " + manifestPath.string());
        writeSampleFile(manifestPath, aesCbcEncrypt(key, *plain).value());
    }

    PlistPtr lockdown(plist_new_dict());
    plist_dict_set_item(lockdown.get(), "DeviceName", plist_new_string(device.name.c_str()));
    plist_dict_set_item(lockdown.get(), "ProductType", plist_new_string(device.productType.c_str()));
    plist_dict_set_item(lockdown.get(), "ProductVersion", plist_new_string(device.productVersion.c_str()));
    PlistPtr manifest(plist_new_dict());
    plist_dict_set_item(manifest.get(), "IsEncrypted", plist_new_bool(m_keybag ? 1 : 0));
    if (m_keybag) {
        const std::string& keybag = m_keybag->bytes();
        plist_dict_set_item(manifest.get(), "BackupKeyBag", plist_new_data(keybag.data(), keybag.size()));
        plist_dict_set_item(manifest.get(), "ManifestKey", plist_new_data(manifestKey.data(), manifestKey.size()));
    }
    plist_dict_set_item(manifest.get(), "Version", plist_new_string("10.0"));
    plist_dict_set_item(manifest.get(), "Date", dateNode(device.lastBackup));
    plist_dict_set_item(manifest.get(), "Lockdown", plist_copy(lockdown.get()));
    writeSampleFile(m_folder / "Manifest.plist", binaryPlist(manifest.get()));

    PlistPtr info(plist_new_dict());
    plist_dict_set_item(info.get(), "Device Name", plist_new_string(device.name.c_str()));
    plist_dict_set_item(info.get(), "Display Name", plist_new_string(device.name.c_str()));
    plist_dict_set_item(info.get(), "Product Type", plist_new_string(device.productType.c_str()));
    plist_dict_set_item(info.get(), "Product Version", plist_new_string(device.productVersion.c_str()));
    plist_dict_set_item(info.get(), "Last Backup Date", dateNode(device.lastBackup));
    writeSampleFile(m_folder / "Info.plist", xmlPlist(info.get()));

    PlistPtr status(plist_new_dict());
    plist_dict_set_item(status.get(), "IsFullBackup", plist_new_bool(0));
    plist_dict_set_item(status.get(), "SnapshotState", plist_new_string("finished"));
    plist_dict_set_item(status.get(), "Version", plist_new_string("3.3"));
    plist_dict_set_item(status.get(), "Date", dateNode(device.lastBackup));
    writeSampleFile(m_folder / "Status.plist", binaryPlist(status.get()));
}

} // namespace varnholt::sample

namespace varnholt::sample {

void buildBackupOfHome(const fs::path& home, const fs::path& backupFolder,
                       const std::optional<BackupEncryption>& encryption)
{
    BackupBuilder backup(backupFolder, encryption);
    const fs::path staging = backupFolder / ".staging";
    fs::create_directories(staging);
    const fs::path chat = home / "Library/Messages/chat.db";
    if (fs::exists(chat)) {
        for (const char* suffix : {"", "-wal", "-shm"})
            if (fs::exists(chat.string() + suffix))
                fs::copy_file(chat.string() + suffix, (staging / "sms.db").string() + suffix);
        {
            auto db = Database::open((staging / "sms.db").string(), Database::Mode::ReadWriteCreate);
            if (!db)
                throw std::runtime_error("sample backup: " + db.error());
            if (auto moved = db->exec("PRAGMA wal_autocheckpoint=0; UPDATE attachment SET filename = "
                                      "replace(filename, '~/Library/Messages/Attachments/', "
                                      "'~/Library/SMS/Attachments/')");
                !moved)
                throw std::runtime_error("sample backup: " + moved.error());
            closeKeepingWriteAheadLog(*db, staging / "sms.db");
        }
        for (const char* suffix : {"", "-wal", "-shm"})
            if (fs::exists((staging / "sms.db").string() + suffix))
                backup.addFile("HomeDomain", std::string("Library/SMS/sms.db") + suffix,
                               (staging / "sms.db").string() + suffix);
    }
    if (fs::exists(home / "Library/Messages/Attachments"))
        backup.addTree("MediaDomain", "Library/SMS/Attachments", home / "Library/Messages/Attachments");
    if (fs::exists(home / "Library/Group Containers/group.com.apple.notes"))
        backup.addTree("AppDomainGroup-group.com.apple.notes", "",
                       home / "Library/Group Containers/group.com.apple.notes");
    if (fs::exists(voiceMemosFolder(home)))
        backup.addTree("MediaDomain", "Media/Recordings", voiceMemosFolder(home));
    backup.finish();
    fs::remove_all(staging);
}

} // namespace varnholt::sample
