#include "platform/Database.h"
#include "platform/Statement.h"
#include "sample-home/BackupBuilder.h"
#include "sample-home/SampleFiles.h"
#include "sample-home/SampleHome.h"
#include "sources/BackupManifest.h"
#include "support/ExportRun.h"
#include "support/FileTree.h"
#include "support/RealBackup.h"
#include "support/RealData.h"
#include "support/SourceFingerprint.h"
#include "support/TempDir.h"

#include <functional>
#include <gtest/gtest.h>

using namespace varnholt;
namespace fs = std::filesystem;

namespace {

void changeManifest(const fs::path& backup, const std::string& sql)
{
    auto db = Database::open((backup / "Manifest.db").string(), Database::Mode::ReadWriteCreate);
    ASSERT_TRUE(db) << db.error();
    auto done = db->exec(sql);
    ASSERT_TRUE(done) << done.error();
}

fs::path stored(const fs::path& backup, const std::string& domain, const std::string& relativePath)
{
    const std::string id = backupFileID(domain, relativePath);
    return backup / id.substr(0, 2) / id;
}

struct BadBackup {
    std::string name;
    std::function<void(const fs::path& backup)> damage;
    std::string told; // what the error must say besides naming the backup
};

} // namespace

// Every kind of broken backup ends the export with a sentence that names the backup and what is
// wrong with it, before anything is written, and leaves no private folder behind.
TEST(BackupBadInput, FailsClearlyNamingTheBackupAndWhatIsWrong)
{
    test::TempDir dir;
    sample::buildSampleHome(dir / "home");
    const std::vector<BadBackup> cases{
        {"no manifest database", [](const fs::path& b) { fs::remove(b / "Manifest.db"); }, "Manifest.db is missing"},
        {"an old layout",
         [](const fs::path& b) {
             fs::remove(b / "Manifest.db");
             sample::writeSampleFile(b / "Manifest.mbdb", "mbdb\x05\x00");
         },
         "iOS 9 or older"},
        {"no manifest property list", [](const fs::path& b) { fs::remove(b / "Manifest.plist"); },
         "Manifest.plist is missing"},
        {"a manifest property list that is none",
         [](const fs::path& b) { sample::writeSampleFile(b / "Manifest.plist", "not a property list"); },
         "Manifest.plist is not the property list of a backup"},
        {"a manifest that is no database",
         [](const fs::path& b) { sample::writeSampleFile(b / "Manifest.db", std::string(4096, 'x')); }, "Manifest.db"},
        {"no Files table", [](const fs::path& b) { changeManifest(b, "DROP TABLE Files"); }, "no Files table"},
        {"a newer layout",
         [](const fs::path& b) {
             changeManifest(b, "CREATE TABLE F2 (fileID TEXT PRIMARY KEY, domain TEXT, relativePath TEXT, flags "
                               "INTEGER, metadata BLOB); INSERT INTO F2 SELECT * FROM Files; DROP TABLE Files; "
                               "ALTER TABLE F2 RENAME TO Files");
         },
         "layout Varnholt does not know (no file column"},
        {"a record that is no keyed archive",
         [](const fs::path& b) {
             changeManifest(b, "UPDATE Files SET file = x'00010203' WHERE relativePath = 'Library/SMS/sms.db'");
         },
         "HomeDomain Library/SMS/sms.db in Manifest.db is not a keyed archive"},
        {"a database missing from the backup",
         [](const fs::path& b) { fs::remove(stored(b, "HomeDomain", "Library/SMS/sms.db")); },
         "HomeDomain Library/SMS/sms.db is missing from it"},
        {"a database cut short",
         [](const fs::path& b) { fs::resize_file(stored(b, "HomeDomain", "Library/SMS/sms.db"), 1000); },
         "HomeDomain Library/SMS/sms.db is cut short in it (1000 of"},
        {"a log cut short",
         [](const fs::path& b) { fs::resize_file(stored(b, "HomeDomain", "Library/SMS/sms.db-wal"), 10); },
         "HomeDomain Library/SMS/sms.db-wal is cut short"},
        {"an encrypted backup",
         [](const fs::path& b) {
             sample::writeSampleFile(b / "Manifest.plist",
                                     "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>IsEncrypted</key>"
                                     "<true/><key>Lockdown</key><dict/></dict></plist>");
         },
         "it is encrypted"},
    };
    for (const BadBackup& bad : cases) {
        SCOPED_TRACE(bad.name);
        test::TempDir work;
        const fs::path backup = work / "backup";
        sample::buildBackupOfHome(dir / "home", backup);
        bad.damage(backup);
        const test::TreeFingerprint before = test::fingerprintTree(backup);
        const auto outcome = test::runExport(test::ExportMethod::messages, backup, work / "out");
        EXPECT_EQ(outcome.exitCode, 1) << outcome.messages;
        EXPECT_NE(outcome.told.find("Cannot read the iPhone backup " + backup.string() + ": "), std::string::npos)
            << outcome.told;
        EXPECT_NE(outcome.told.find(bad.told), std::string::npos) << outcome.told;
        EXPECT_EQ(outcome.told.find("Looked for"), std::string::npos) << outcome.told;
        EXPECT_FALSE(fs::exists(work / "out"));
        EXPECT_EQ(test::entriesBelow(work.path(), ".varnholt-"), std::vector<fs::path>{});
        EXPECT_EQ(test::differences(before, test::fingerprintTree(backup)), std::vector<std::string>{});
    }
}

TEST(BackupBadInput, AMissingAttachmentIsSkippedAsOnAMacAndNoPathLeavesItsDomain)
{
    test::TempDir dir;
    sample::buildSampleHome(dir / "home");
    const fs::path backup = dir / "backup";
    sample::buildBackupOfHome(dir / "home", backup);
    std::string missing;
    {
        auto db = Database::open((backup / "Manifest.db").string(), Database::Mode::ReadWriteCreate);
        ASSERT_TRUE(db);
        auto first = db->prepare("SELECT relativePath FROM Files WHERE domain = 'MediaDomain' AND flags = 1 AND "
                                 "relativePath LIKE 'Library/SMS/Attachments/%' ORDER BY relativePath LIMIT 1");
        ASSERT_TRUE(first && first->step() == Statement::Step::Row);
        missing = first->columnText(0);
        // A record whose path climbs out of its domain, pointing at a real stored file.
        const std::string archive = sample::makeMBFileArchive("../../../escaped.txt", 4, 0100644, 0);
        auto insert = db->prepare("INSERT INTO Files VALUES (?1, 'MediaDomain', "
                                  "'Library/SMS/Attachments/../../../../escaped.txt', 1, ?2)");
        ASSERT_TRUE(insert);
        insert->bindText(1, std::string(40, 'a'));
        insert->bindBlob(2, archive.data(), static_cast<int>(archive.size()));
        ASSERT_EQ(insert->step(), Statement::Step::Done);
        sample::writeSampleFile(backup / "aa" / std::string(40, 'a'), "out!");
    }
    fs::remove(stored(backup, "MediaDomain", missing));

    const auto outcome = test::runExport(test::ExportMethod::messages, backup, dir / "out");
    EXPECT_EQ(outcome.exitCode, 0) << outcome.messages;
    EXPECT_NE(outcome.messages.find("[Backup] \u26A0\uFE0F MediaDomain " + missing + " is missing from it"),
              std::string::npos)
        << outcome.messages;
    EXPECT_NE(outcome.messages.find("Attachment skipped (not found)"), std::string::npos) << outcome.messages;
    EXPECT_NE(outcome.messages.find("the path climbs out of its domain"), std::string::npos) << outcome.messages;
    EXPECT_FALSE(fs::exists(dir / "escaped.txt"));
    EXPECT_EQ(test::entriesBelow(dir.path(), ".varnholt-"), std::vector<fs::path>{});
}

// An attachment is found in the manifest only when the export reaches it: one shorter than its
// record says is then named and skipped, as a missing one is, and the export goes on; one whose
// record is no keyed archive fails the export, naming it.
TEST(BackupBadInput, AnAttachmentCutShortIsSkippedAndADamagedRecordOfOneFails)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    const std::string attachment = std::string("Library/SMS/Attachments/4a/10/at_0_1/") + test::kAttachmentName;
    {
        test::TempDir dir;
        const test::RealBackup built = test::buildRealBackup(dir.path(), realdata);
        fs::resize_file(stored(built.backup, "MediaDomain", attachment), 2);
        const auto outcome = test::runExport(test::ExportMethod::messages, built.backup, dir / "out");
        EXPECT_EQ(outcome.exitCode, 0) << outcome.messages;
        EXPECT_NE(outcome.messages.find("[Backup] \u26A0\uFE0F MediaDomain " + attachment +
                                        " is cut short in it (2 of 4 bytes"),
                  std::string::npos)
            << outcome.messages;
        EXPECT_NE(outcome.messages.find("Attachment skipped (not found)"), std::string::npos) << outcome.messages;
        EXPECT_EQ(test::entriesBelow(dir / "out", test::kAttachmentName), std::vector<fs::path>{});
        EXPECT_NE(test::allText(dir / "out").find(test::kTextOnlyInTheLog), std::string::npos);
    }
    {
        test::TempDir dir;
        const test::RealBackup built = test::buildRealBackup(dir.path(), realdata);
        changeManifest(built.backup, "UPDATE Files SET file = x'00' WHERE relativePath = '" + attachment + "'");
        const auto outcome = test::runExport(test::ExportMethod::messages, built.backup, dir / "out");
        EXPECT_EQ(outcome.exitCode, 1) << outcome.messages;
        EXPECT_NE(outcome.told.find("MediaDomain " + attachment + " in Manifest.db is not a keyed archive"),
                  std::string::npos)
            << outcome.told;
        EXPECT_EQ(test::entriesBelow(dir.path(), ".varnholt-"), std::vector<fs::path>{});
    }
}

TEST(BackupBadInput, AnOutputInsideTheBackupIsBadUsage)
{
    test::TempDir dir;
    sample::buildSampleHome(dir / "home");
    sample::buildBackupOfHome(dir / "home", dir / "backup");
    const auto outcome = test::runExport(test::ExportMethod::voiceMemos, dir / "backup", dir / "backup/out");
    EXPECT_EQ(outcome.exitCode, 2) << outcome.messages;
    EXPECT_FALSE(fs::exists(dir / "backup/out"));
}
