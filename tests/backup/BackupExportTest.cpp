#include "platform/Files.h"
#include "support/CliRun.h"
#include "support/ExportRun.h"
#include "support/FileTree.h"
#include "support/RealBackup.h"
#include "support/RealData.h"
#include "support/ScopedEnvironment.h"
#include "support/SourceFingerprint.h"
#include "support/TempDir.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace varnholt;
namespace fs = std::filesystem;

TEST(BackupExport, ExportsLikeTheSameFilesInAHomeAndLeavesTheBackupAsItWas)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    test::TempDir dir;
    const test::RealBackup built = test::buildRealBackup(dir.path(), realdata);
    const test::TreeFingerprint before = test::fingerprintTree(built.backup);

    // Messages: the real iOS 9 database with the change only its log holds, the picture from the
    // media domain, and the sender's name from the phone's own address book.
    const auto messages = test::runExport(test::ExportMethod::messages, built.backup, dir / "messages");
    ASSERT_TRUE(messages.succeeded()) << messages.messages;
    const std::string text = test::allText(dir / "messages");
    EXPECT_NE(text.find("thanks for your recent purchase"), std::string::npos);
    EXPECT_NE(text.find(test::kTextOnlyInTheLog), std::string::npos);
    EXPECT_EQ(messages.messages.find("private copy"), std::string::npos)
        << "the database and its log are read in place through their links, not copied: " << messages.messages;
    EXPECT_NE(text.find(test::kSenderName), std::string::npos);
    EXPECT_NE(text.find(std::string(test::kAttachmentName) + "\n\xFF\xD8\xFF\xD9\n"), std::string::npos)
        << messages.messages;

    // Notes, the fast method: the same tree as from a home holding the same container.
    const auto notes = test::runExport(test::ExportMethod::notesFast, built.backup, dir / "notes-backup");
    ASSERT_TRUE(notes.succeeded()) << notes.messages;
    const auto notesFromHome = test::runExport(test::ExportMethod::notesFast, built.home, dir / "notes-home");
    ASSERT_TRUE(notesFromHome.succeeded()) << notesFromHome.messages;
    const auto backupNotes = test::filesBelow(dir / "notes-backup");
    EXPECT_GE(backupNotes.size(), 14u);
    EXPECT_EQ(backupNotes, test::filesBelow(dir / "notes-home"));
    EXPECT_NE(test::allText(dir / "notes-backup").find("UITableView"), std::string::npos);

    // Voice Memos with the titles of their catalog.
    const auto memos = test::runExport(test::ExportMethod::voiceMemos, built.backup, dir / "memos");
    ASSERT_TRUE(memos.succeeded()) << memos.messages;
    const auto metadata = nlohmann::json::parse(*readFile(dir / "memos/voice_memos_metadata.json"));
    EXPECT_EQ(metadata["total_files"], 5);
    EXPECT_NE(metadata.dump().find("Grocery list idea"), std::string::npos);

    EXPECT_EQ(test::differences(before, test::fingerprintTree(built.backup)), std::vector<std::string>{});
    // The layouts went beside the outputs, all below the test's folder.
    EXPECT_EQ(test::entriesBelow(dir.path(), ".varnholt-"), std::vector<fs::path>{});
}

TEST(BackupExport, NotesByTheStandardMethodReadTheBackupThroughTheSameSource)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    test::TempDir dir;
    const test::RealBackup built = test::buildRealBackup(dir.path(), realdata);
    const auto notes = test::runExport(test::ExportMethod::notesStandard, built.backup, dir / "notes");
    ASSERT_TRUE(notes.succeeded()) << notes.messages;
    EXPECT_NE(test::allText(dir / "notes").find("UITableView"), std::string::npos);
    EXPECT_EQ(test::entriesBelow(dir.path(), ".varnholt-"), std::vector<fs::path>{});
}

TEST(BackupExport, SourcesNamesTheDeviceAndWhereEachStoreLies)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    test::TempDir dir;
    const test::RealBackup built = test::buildRealBackup(dir.path(), realdata);
    // Without an output, the layout goes to the temporary folder: this test's own.
    fs::create_directories(dir / "tmp");
    const test::ScopedEnvironment temporary("TMPDIR", (dir / "tmp").string());
    const test::ScopedEnvironment utc("TZ", "UTC");
    const test::CliRun run = test::runCli({"--source", built.backup.string(), "sources"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("Sources in the iPhone backup of Ada's iPhone, iOS 17.4.1, 2024-05-01 12:51 (" +
                           built.backup.string() + "):"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("data found at HomeDomain Library/SMS/sms.db in the backup"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("data found at AppDomainGroup-group.com.apple.notes NoteStore.sqlite in the backup"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find("data found at MediaDomain Media/Recordings in the backup"), std::string::npos) << run.out;
    EXPECT_TRUE(fs::is_empty(dir / "tmp"));
}
