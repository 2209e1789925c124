#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Statement.h"
#include "sample-home/SampleFiles.h"
#include "sources/BackupSource.h"
#include "sources/SourceFactory.h"
#include "support/CliRun.h"
#include "support/ExportRun.h"
#include "support/FileTree.h"
#include "support/RealBackup.h"
#include "support/RealData.h"
#include "support/ScopedEnvironment.h"
#include "support/SourceFingerprint.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

using namespace varnholt;
namespace fs = std::filesystem;

namespace {
const sample::BackupEncryption kEncryption{"open sesame", {.slow = 50, .fast = 20}};

std::string failureOf(const std::function<void()>& open)
{
    try {
        open();
    } catch (const Error& error) {
        return error.description();
    }
    return "opened";
}

SourceUnlock withPasswords(std::vector<std::string> passwords, std::function<void(double)> progress = {})
{
    SourceUnlock unlock;
    unlock.passwords = std::move(passwords);
    unlock.progress = std::move(progress);
    return unlock;
}

bool anyFileNamed(const fs::path& folder, const std::string& name)
{
    return !test::entriesBelow(folder, name).empty();
}
} // namespace

TEST(EncryptedBackup, OpensWithItsPasswordAndLaysOutDecryptedFilesOnlyWhileOpen)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    test::TempDir dir;
    test::TraceCapture trace;
    const test::RealBackup built = test::buildRealBackup(dir.path(), realdata, kEncryption);
    const test::TreeFingerprint before = test::fingerprintTree(built.backup);
    fs::create_directories(dir / "out");
    // The temporary folder is this test's own: the shared one holds other tests' backups, laid out meanwhile.
    fs::create_directories(dir / "tmp");
    const test::ScopedEnvironment temporary("TMPDIR", (dir / "tmp").string());

    EXPECT_NE(failureOf([&] { openSource(built.backup.string(), (dir / "out").string()); }).find("is encrypted"),
              std::string::npos);
    const std::string wrong = failureOf([&] {
        openSource(built.backup.string(), (dir / "out").string(), ExporterType::messages,
                   withPasswords({"open sesam", "Open sesame"}));
    });
    EXPECT_NE(wrong.find("password is wrong"), std::string::npos) << wrong;
    EXPECT_NE(wrong.find(built.backup.string()), std::string::npos) << "names the backup";

    std::vector<double> progress;
    {
        const SourcePtr source =
            openSource(built.backup.string(), (dir / "out").string(), ExporterType::messages,
                       withPasswords({"wrong first", "open sesame"}, [&](double done) { progress.push_back(done); }));
        auto db = Database::open(source->messagesDatabase(), Database::Mode::ReadOnly);
        ASSERT_TRUE(db) << db.error();
        auto rows = db->prepare("SELECT count(*) FROM message WHERE text = ?1");
        ASSERT_TRUE(rows);
        rows->bindText(1, test::kTextOnlyInTheLog);
        ASSERT_EQ(rows->step(), Statement::Step::Row);
        EXPECT_EQ(rows->columnInt64(0), 1) << "the decrypted -wal is read with its database";
        const auto picture = readFile(fs::path(source->messagesAttachments()) / "4a/10/at_0_1" / test::kAttachmentName);
        ASSERT_TRUE(picture);
        EXPECT_EQ(*picture, "\xFF\xD8\xFF\xD9") << "cut to its recorded size, padding gone";
        EXPECT_EQ(source->contactsDatabases().size(), 1u);
        EXPECT_TRUE(anyFileNamed(dir / "out", "sms.db")) << "decrypted into the private folder beside the output";
    }
    EXPECT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_FALSE(anyFileNamed(dir.path(), "sms.db")) << "no decrypted file outlives the source";
    EXPECT_FALSE(anyFileNamed(dir / "tmp", ".Manifest.db"));
    EXPECT_EQ(test::differences(before, test::fingerprintTree(built.backup)), std::vector<std::string>{});
}

TEST(EncryptedBackup, DamagedKeysFailNamingTheBackup)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    test::TempDir dir;
    const test::RealBackup built = test::buildRealBackup(dir.path(), realdata, kEncryption);
    const sample::BackupEncryption other{"open sesame", {.slow = 50, .fast = 20}};
    // Manifest.db of another backup with the same password: its key is not this keybag's.
    const test::RealBackup second = test::buildRealBackup(dir / "second", realdata, other);
    fs::copy_file(second.backup / "Manifest.db", built.backup / "Manifest.db", fs::copy_options::overwrite_existing);
    const std::string problem = failureOf([&] {
        openSource(built.backup.string(), (dir / "out").string(), ExporterType::messages,
                   withPasswords({"open sesame"}));
    });
    EXPECT_NE(problem.find(built.backup.string()), std::string::npos) << problem;
    EXPECT_NE(problem.find("Manifest.db"), std::string::npos) << problem;
}

TEST(EncryptedBackup, ExportsEverySourceFromTheCommandLineWithThePasswordFileOrTheTypedPassword)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    test::TempDir dir;
    const test::RealBackup built = test::buildRealBackup(dir.path(), realdata, kEncryption);
    const test::TreeFingerprint before = test::fingerprintTree(built.backup);
    sample::writeSampleFile(dir / "passwords", "not this one\nopen sesame\n");
    sample::writeSampleFile(dir / "wrong", "open sesam\n");

    struct Run {
        int status;
        std::string err; // with the trace lines
        std::vector<std::string> prompts;
    };
    const auto run = [&](std::vector<std::string> args, std::optional<std::string> typed = std::nullopt) {
        args.insert(args.begin(), {"--source", built.backup.string()});
        Run result;
        std::function<std::optional<std::string>(const std::string&)> ask;
        if (typed)
            ask = [&](const std::string& prompt) {
                result.prompts.push_back(prompt);
                return typed;
            };
        const test::CliRun cli = test::runCli(args, ask);
        result.status = cli.status;
        result.err = cli.err;
        for (const std::string& line : cli.trace)
            result.err += "\n  trace: " + line;
        return result;
    };

    const Run messages = run({"messages", "--contacts", "--out", (dir / "messages").string(), "--password-file",
                              (dir / "passwords").string()});
    ASSERT_EQ(messages.status, 0) << messages.err;
    const std::string text = test::allText(dir / "messages");
    EXPECT_NE(text.find(test::kTextOnlyInTheLog), std::string::npos);
    EXPECT_NE(text.find(test::kSenderName), std::string::npos) << "names from the decrypted address book";
    EXPECT_NE(text.find(std::string(test::kAttachmentName) + "\n\xFF\xD8\xFF\xD9\n"), std::string::npos)
        << "the decrypted attachment, cut to its size";

    const Run wrong =
        run({"messages", "--out", (dir / "wrong-out").string(), "--password-file", (dir / "wrong").string()});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("password is wrong"), std::string::npos) << wrong.err;
    EXPECT_FALSE(fs::exists(dir / "wrong-out/messages")) << "found before anything is written";

    const Run unasked = run({"messages", "--out", (dir / "unasked").string()});
    EXPECT_EQ(unasked.status, 1);
    EXPECT_NE(unasked.err.find("--password-file"), std::string::npos) << unasked.err;

    // At a terminal the password is asked for, and the standard Notes method's helper gets it too.
    const Run typed = run({"notes", "--out", (dir / "notes").string()}, "open sesame");
    ASSERT_EQ(typed.status, 0) << typed.err;
    ASSERT_EQ(typed.prompts.size(), 1u);
    EXPECT_NE(typed.prompts[0].find("Ada's iPhone"), std::string::npos);
    EXPECT_NE(test::allText(dir / "notes").find("UITableView"), std::string::npos);

    const Run fast =
        run({"notes", "--fast", "--out", (dir / "fast").string(), "--password-file", (dir / "passwords").string()});
    ASSERT_EQ(fast.status, 0) << fast.err;
    EXPECT_NE(test::allText(dir / "fast").find("UITableView"), std::string::npos);

    const Run memos = run({"voice-memos", "--name-by-title", "--out", (dir / "memos").string(), "--password-file",
                           (dir / "passwords").string()});
    ASSERT_EQ(memos.status, 0) << memos.err;
    const std::string metadata = readFile(dir / "memos/voice_memos_metadata.json").value_or(memos.err);
    EXPECT_NE(metadata.find("Grocery list idea"), std::string::npos) << metadata;

    EXPECT_EQ(test::differences(before, test::fingerprintTree(built.backup)), std::vector<std::string>{});
    for (const char* output : {"messages", "notes", "fast", "memos"}) {
        EXPECT_FALSE(anyFileNamed(dir / output, "sms.db")) << output;
        EXPECT_FALSE(anyFileNamed(dir / output, "NoteStore.sqlite")) << output;
        EXPECT_FALSE(anyFileNamed(dir / output, "passwords")) << output;
    }
}
