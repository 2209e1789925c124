#include "support/RealBackup.h"

#include "platform/Database.h"
#include "platform/Statement.h"
#include "sample-home/BackupBuilder.h"
#include "sample-home/SampleFiles.h"
#include "sample-home/VoiceMemosSample.h"
#include "sample-home/WriteAheadLogSample.h"
#include "support/RealData.h"

#include <stdexcept>

namespace varnholt::test {

namespace fs = std::filesystem;

namespace {
void run(const Database& db, const std::string& sql)
{
    if (auto done = db.exec(sql); !done)
        throw std::runtime_error("real backup fixture: " + done.error() + " in: " + sql);
}

// The real sms.db with a picture on its first message, and one change that stays in the log.
fs::path prepareMessages(const fs::path& realdata, const fs::path& staging)
{
    const fs::path sms = copyDatabase(realdata / "OTAPKI_iphone/HomeDomain/Library/SMS/sms.db", staging / "sms");
    auto db = Database::open(sms.string(), Database::Mode::ReadWriteCreate);
    if (!db)
        throw std::runtime_error("real backup fixture: " + db.error());
    run(*db, "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
    run(*db, std::string("INSERT INTO attachment (guid, filename, mime_type, transfer_name, total_bytes) VALUES "
                         "('at_0_1', '~/Library/SMS/Attachments/4a/10/at_0_1/") +
                 kAttachmentName + "', 'image/jpeg', '" + kAttachmentName + "', 4)");
    run(*db, "INSERT INTO message_attachment_join VALUES (1, last_insert_rowid())");
    run(*db, std::string("UPDATE message SET text = '") + kTextOnlyInTheLog + "' WHERE ROWID = 2");
    sample::closeKeepingWriteAheadLog(*db, sms);
    return sms;
}

// The real, empty iOS address book with a card for the sender of the messages.
fs::path prepareAddressBook(const fs::path& realdata, const fs::path& staging)
{
    const fs::path book =
        copyDatabase(realdata / "OTAPKI_iphone/HomeDomain/Library/AddressBook/AddressBook.sqlitedb", staging / "ab");
    auto db = Database::open(book.string(), Database::Mode::ReadWriteCreate);
    if (!db)
        throw std::runtime_error("real backup fixture: " + db.error());
    // Its triggers call functions only the phone has.
    std::vector<std::string> triggers;
    if (auto list = db->prepare("SELECT name FROM sqlite_master WHERE type = 'trigger'"))
        while (list->step() == Statement::Step::Row)
            triggers.push_back(list->columnText(0));
    for (const std::string& trigger : triggers)
        run(*db, "DROP TRIGGER \"" + trigger + "\"");
    run(*db, "INSERT INTO ABPerson (ROWID, First, Last, guid) VALUES (7, 'Victoria', 'Alfonzo', 'p7')");
    run(*db, "INSERT INTO ABMultiValue (record_id, property, identifier, label, value, guid) VALUES "
             "(7, 3, 0, 1, '4891', 'v1'), (7, 4, 1, 2, 'victoria@example.org', 'v2')");
    db->close();
    return book;
}
} // namespace

RealBackup buildRealBackup(const fs::path& folder, const fs::path& realdata,
                           const std::optional<sample::BackupEncryption>& encryption)
{
    const fs::path staging = folder / "staging";
    const fs::path sms = prepareMessages(realdata, staging);
    const fs::path book = prepareAddressBook(realdata, staging);
    const std::string picture = "\xFF\xD8\xFF\xD9";
    const fs::path notes = realdata / "MargaretYe_IOS-note/group.com.apple.notes";
    const fs::path recordingsHome = staging / "recordings-home";
    sample::buildVoiceMemos(recordingsHome, {});
    const fs::path recordings = sample::voiceMemosFolder(recordingsHome);

    RealBackup result{folder / "backup", folder / "home"};
    sample::BackupBuilder backup(result.backup, encryption);
    backup.addFile("HomeDomain", "Library/SMS/sms.db", sms);
    backup.addFile("HomeDomain", "Library/SMS/sms.db-wal", sms.string() + "-wal");
    backup.addFile("HomeDomain", "Library/SMS/sms.db-shm", sms.string() + "-shm");
    backup.addBytes("MediaDomain", std::string("Library/SMS/Attachments/4a/10/at_0_1/") + kAttachmentName, picture);
    backup.addFile("HomeDomain", "Library/AddressBook/AddressBook.sqlitedb", book);
    backup.addTree("AppDomainGroup-group.com.apple.notes", "", notes);
    backup.addTree("MediaDomain", "Media/Recordings", recordings);
    backup.finish();

    // The same files where a Mac home keeps them.
    const fs::path home = result.home;
    fs::create_directories(home / "Library/Messages");
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::copy_file(sms.string() + suffix, (home / "Library/Messages/chat.db").string() + suffix);
    sample::writeSampleFile(home / "Library/SMS/Attachments/4a/10/at_0_1" / kAttachmentName, picture);
    fs::create_directories(home / "Library/Group Containers");
    fs::copy(notes, home / "Library/Group Containers/group.com.apple.notes", fs::copy_options::recursive);
    fs::create_directories(home / "Library/Recordings");
    fs::copy(recordings, home / "Library/Recordings", fs::copy_options::recursive);
    fs::remove_all(staging);
    return result;
}

} // namespace varnholt::test
