#include "cli/CommandLine.h"
#include "platform/Files.h"
#include "support/ExportRun.h"
#include "support/RealBackup.h"
#include "support/RealData.h"
#include "support/SourceFingerprint.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

using namespace varnholt;
namespace fs = std::filesystem;

namespace {

// Every file below a folder with its bytes, by relative path.
std::map<std::string, std::string> filesBelow(const fs::path& folder)
{
    std::map<std::string, std::string> files;
    for (const auto& item : fs::recursive_directory_iterator(folder))
        if (item.is_regular_file())
            files[item.path().lexically_relative(folder).string()] = *readFile(item.path());
    return files;
}

// Private folders a backup export lays its links out in, left anywhere they could be.
std::vector<fs::path> leftLayouts(const std::vector<fs::path>& places)
{
    std::vector<fs::path> left;
    for (const fs::path& place : places) {
        std::error_code ec;
        for (fs::recursive_directory_iterator it(place, ec), end; !ec && it != end; it.increment(ec))
            if (it->path().filename().string().starts_with(".varnholt-"))
                left.push_back(it->path());
    }
    return left;
}

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

CliRun runCli(std::vector<std::string> args)
{
    args.insert(args.begin(), "varnholt");
    std::ostringstream out, err;
    test::TraceCapture trace;
    const int status = cli::run(args, {out, err, false});
    return {status, out.str(), err.str()};
}

} // namespace

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
    EXPECT_NE(text.find(test::kSenderName), std::string::npos);
    bool pictureCopied = false;
    for (const auto& [path, bytes] : filesBelow(dir / "messages"))
        pictureCopied |= path.ends_with(test::kAttachmentName) && bytes == "\xFF\xD8\xFF\xD9";
    EXPECT_TRUE(pictureCopied) << messages.messages;

    // Notes, the fast method: the same tree as from a home holding the same container.
    const auto notes = test::runExport(test::ExportMethod::notesFast, built.backup, dir / "notes-backup");
    ASSERT_TRUE(notes.succeeded()) << notes.messages;
    const auto notesFromHome = test::runExport(test::ExportMethod::notesFast, built.home, dir / "notes-home");
    ASSERT_TRUE(notesFromHome.succeeded()) << notesFromHome.messages;
    const auto backupNotes = filesBelow(dir / "notes-backup");
    EXPECT_GE(backupNotes.size(), 14u);
    std::vector<std::string> backupNames, homeNames;
    for (const auto& entry : backupNotes)
        backupNames.push_back(entry.first);
    for (const auto& entry : filesBelow(dir / "notes-home"))
        homeNames.push_back(entry.first);
    EXPECT_EQ(backupNames, homeNames);
    EXPECT_NE(test::allText(dir / "notes-backup").find("UITableView"), std::string::npos);

    // Voice Memos with the titles of their catalog.
    const auto memos = test::runExport(test::ExportMethod::voiceMemos, built.backup, dir / "memos");
    ASSERT_TRUE(memos.succeeded()) << memos.messages;
    const auto metadata = nlohmann::json::parse(*readFile(dir / "memos/voice_memos_metadata.json"));
    EXPECT_EQ(metadata["total_files"], 5);
    EXPECT_NE(metadata.dump().find("Grocery list idea"), std::string::npos);

    EXPECT_EQ(test::differences(before, test::fingerprintTree(built.backup)), std::vector<std::string>{});
    // The layouts went beside the outputs, all below the test's folder.
    EXPECT_EQ(leftLayouts({dir.path()}), std::vector<fs::path>{});
}

TEST(BackupExport, NotesByTheStandardMethodReadTheBackupThroughTheSameSource)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    test::TempDir dir;
    const test::RealBackup built = test::buildRealBackup(dir.path(), realdata);
    const auto notes = test::runExport(test::ExportMethod::notesStandard, built.backup, dir / "notes");
    ASSERT_TRUE(notes.succeeded()) << notes.messages;
    EXPECT_NE(test::allText(dir / "notes").find("UITableView"), std::string::npos);
    EXPECT_EQ(leftLayouts({dir.path()}), std::vector<fs::path>{});
}

TEST(BackupExport, SourcesNamesTheDeviceAndWhereEachStoreLies)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    test::TempDir dir;
    const test::RealBackup built = test::buildRealBackup(dir.path(), realdata);
    // Without an output, the layout goes to the temporary folder: this test's own.
    fs::create_directories(dir / "tmp");
    const char* savedTmp = std::getenv("TMPDIR");
    const std::string saved = savedTmp ? savedTmp : "";
    setenv("TMPDIR", (dir / "tmp").c_str(), 1);
    setenv("TZ", "UTC", 1);
    tzset();
    const CliRun run = runCli({"--source", built.backup.string(), "sources"});
    unsetenv("TZ");
    tzset();
    savedTmp ? setenv("TMPDIR", saved.c_str(), 1) : unsetenv("TMPDIR");
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
