#include "cli/CommandLine.h"
#include "cli/ProgressBar.h"
#include "platform/Files.h"
#include "sample-home/BackupBuilder.h"
#include "sample-home/SampleFiles.h"
#include "sample-home/SampleHome.h"
#include "support/CliRun.h"
#include "support/FileTree.h"
#include "support/SmallDisk.h"
#include "support/TempDir.h"

#include <cmath>
#include <fmt/format.h>
#include <fmt/ranges.h>
#include <gtest/gtest.h>
#include <sstream>
#include <unistd.h>

using namespace varnholt;
namespace fs = std::filesystem;

using test::runCli;

// What the files hold is compared by the export-tree check; here, what the command says and leaves.
TEST(CommandLine, ExportsVoiceMemosFromASampleHomeAndItsDryRunWritesNothing)
{
    test::TempDir dir;
    sample::buildSampleHome(dir / "home");
    // The folder to read may follow the command.
    const auto dry =
        runCli({"voice-memos", "--dry-run", "--source", (dir / "home").string(), "--out", (dir / "out").string()});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_FALSE(fs::exists(dir / "out"));
    EXPECT_NE(dry.err.find("Dry run complete: 5 voice memos, total size: "), std::string::npos) << dry.err;

    const auto run = runCli({"--home", (dir / "home").string(), "voice-memos", "--out", (dir / "out").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.trace.front(), "[Varnholt] Starting Voice Memos export to: " + (dir / "out").string());
    EXPECT_EQ(run.trace.back(), "[Varnholt] Summary: Files exported to: " + (dir / "out").string());
    EXPECT_TRUE(fs::exists(dir / "out" / "Archive/2023/Old lecture.caf"));
}

TEST(CommandLine, FailuresAndBadUsageHaveTheirOwnExitStatus)
{
    test::TempDir dir;
    fs::create_directories(dir / "empty-home");
    auto failed = runCli({"--home", (dir / "empty-home").string(), "voice-memos", "--out", (dir / "out").string()});
    EXPECT_EQ(failed.status, 1);
    EXPECT_NE(failed.err.find("Could not find accessible Voice Memos directory"), std::string::npos);
    EXPECT_NE(failed.err.find((dir / "empty-home").string() + "/Library/Recordings"), std::string::npos);
    EXPECT_NE(failed.err.find("mount it; or point --source at the Mac home folder"), std::string::npos) << failed.err;
    EXPECT_FALSE(fs::exists(dir / "out"));

    // A backup without the store names where in the backup it looked, as the phone keeps it.
    sample::BackupBuilder phone(dir / "backup");
    phone.addBytes("HomeDomain", "Library/Preferences/com.apple.example.plist", "x");
    phone.finish();
    auto absent = runCli({"--source", (dir / "backup").string(), "messages", "--out", (dir / "out").string()});
    EXPECT_EQ(absent.status, 1);
    EXPECT_NE(absent.err.find("Looked for the Messages data in the backup at:\n"
                              "  HomeDomain Library/SMS/sms.db in the backup\n"
                              "Choose a backup of a device that holds this data"),
              std::string::npos)
        << absent.err;
    EXPECT_FALSE(fs::exists(dir / "out"));

    sample::buildSampleHome(dir / "home");
    sample::writeSampleFile(dir / "file", "x");
    auto blocked = runCli({"--home", (dir / "home").string(), "voice-memos", "--out", (dir / "file").string()});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_NE(blocked.err.find((dir / "file").string()), std::string::npos) << blocked.err;

    EXPECT_EQ(runCli({"--home", (dir / "no-such-home").string(), "sources"}).status, 2);
    EXPECT_EQ(runCli({"frobnicate"}).status, 2);
    EXPECT_EQ(runCli({}).status, 2);
    EXPECT_EQ(runCli({"voice-memos", "--limit", "-3"}).status, 2);

    auto version = runCli({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("varnholt "), std::string::npos);
    EXPECT_EQ(runCli({"--help"}).status, 0);
}

TEST(CommandLine, AnOutputInsideTheSourceIsRefusedBeforeAnythingIsWritten)
{
    test::TempDir dir;
    sample::buildSampleHome(dir / "home");
    fs::create_directory_symlink(dir / "home", dir / "link-to-home");
    const fs::path notes = dir / "home/Library/Group Containers/group.com.apple.notes";
    const auto before = fs::directory_entry(notes).last_write_time();
    // Also when the source or the output is reached through a link.
    for (const auto& [home, out] :
         {std::pair{dir / "home", notes / "export"}, std::pair{dir / "link-to-home", notes / "export"},
          std::pair{dir / "home", dir / "link-to-home/Library/out"}}) {
        const auto run = runCli({"--source", home.string(), "notes", "--fast", "--out", out.string()});
        EXPECT_EQ(run.status, 2) << out;
        EXPECT_NE(run.err.find("is inside the source"), std::string::npos) << run.err;
        EXPECT_FALSE(fs::exists(out));
        EXPECT_TRUE(run.trace.empty());
    }
    EXPECT_EQ(fs::directory_entry(notes).last_write_time(), before);

    // A source folder that is a link to the home is read like the home itself.
    const auto linked =
        runCli({"--home", (dir / "link-to-home").string(), "voice-memos", "--out", (dir / "out").string()});
    ASSERT_EQ(linked.status, 0) << linked.err;
    EXPECT_TRUE(fs::exists(dir / "out" / "Archive/2023/Old lecture.caf"));
}

TEST(CommandLine, AFullOutputDiskFailsTheExportAndSaysSo)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    test::TempDir dir;
    sample::buildSampleHome(dir / "home");
    const test::SmallDisk small(dir / "small", "64k");
    if (!small.mounted())
        GTEST_SKIP() << small.failure();

    const fs::path recordings = dir / "home/Library/Group Containers/group.com.apple.VoiceMemos.shared/Recordings";
    sample::writeSampleFile(recordings / "Long interview.m4a", std::string(256 * 1024, 'x'));
    // The copy that does not fit ends the export.
    const auto run = runCli({"--home", (dir / "home").string(), "voice-memos", "--out", (dir / "small/out").string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("The disk that holds " + (dir / "small/out").string() + " is full"), std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("Looked for"), std::string::npos) << "the source is fine";
    // Nothing half-written stays behind, under the recording's name or a temporary one.
    EXPECT_FALSE(fs::exists(dir / "small/out/Long interview.m4a"));
    EXPECT_EQ(test::entriesBelow(dir / "small/out", ".varnholt-"), std::vector<fs::path>{});
}

TEST(CommandLine, SourcesTellsWhereDataIs)
{
    test::TempDir dir;
    sample::buildSampleHome(dir / "home");
    const auto run = runCli({"--home", (dir / "home").string(), "sources"});
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Voice Memos"), std::string::npos);
    EXPECT_NE(run.out.find("data found at " + (dir / "home").string() +
                           "/Library/Group Containers/group.com.apple.VoiceMemos.shared/Recordings"),
              std::string::npos);
    EXPECT_NE(run.out.find("Health Data"), std::string::npos);
    EXPECT_NE(run.out.find("not implemented"), std::string::npos);
}

TEST(ProgressBar, RendersClampedPercentAndClipsUtf8)
{
    EXPECT_EQ(cli::ProgressBar::render(0.5, "Copying", 80), "[############------------]  50% Copying");
    EXPECT_EQ(cli::ProgressBar::render(std::nan(""), "x", 80), "[------------------------]   0% x");
    EXPECT_EQ(cli::ProgressBar::render(7.0, "x", 80), "[########################] 100% x");
    const std::string clipped = cli::ProgressBar::render(0.0, "東京東京", 34);
    EXPECT_EQ(clipped.substr(32), "東京");

    std::ostringstream silent;
    cli::ProgressBar off(silent, false);
    off.update(0.5, "x");
    off.finish();
    EXPECT_TRUE(silent.str().empty());
}

TEST(CommandLine, APasswordFileThatIsEmptyOrMissingIsBadUsage)
{
    test::TempDir dir;
    sample::buildSampleHome(dir / "home");
    sample::writeSampleFile(dir / "empty", "\n");
    for (const bool fast : {true, false}) {
        for (const char* file : {"empty", "absent"}) {
            std::vector<std::string> args{
                "--home",          (dir / "home").string(), "notes", "--out", (dir / "out").string(),
                "--password-file", (dir / file).string()};
            if (fast)
                args.push_back("--fast");
            const auto run = runCli(args);
            EXPECT_EQ(run.status, 2) << file;
            EXPECT_NE(run.err.find((dir / file).string()), std::string::npos) << run.err;
            EXPECT_FALSE(fs::exists(dir / "out"));
        }
    }
    sample::writeSampleFile(dir / "passwords", "one\ntwo\n");
    EXPECT_EQ(runCli({"--home", (dir / "home").string(), "notes", "--fast", "--out", (dir / "out").string(),
                      "--password-file", (dir / "passwords").string()})
                  .status,
              0);
}

// The options every export shares (the folder to read, the password file) go before or after the
// command; each export command reads an encrypted backup with the password from either place.
TEST(CommandLine, SourceAndPasswordFileGoBeforeOrAfterEveryExportCommand)
{
    test::TempDir dir;
    sample::buildSampleHome(dir / "home");
    sample::buildBackupOfHome(dir / "home", dir / "backup", sample::BackupEncryption{"open sesame", {20, 20}});
    sample::writeSampleFile(dir / "passwords", "not this one\nopen sesame\n");
    sample::writeSampleFile(dir / "wrong", "open sesam\n");
    const std::string backup = (dir / "backup").string();

    enum class Place { before, after };
    const std::vector<std::vector<std::string>> commands{
        {"voice-memos", "--dry-run"}, {"messages", "--dry-run"}, {"notes", "--dry-run"}, {"notes", "--fast"}};
    int run = 0;
    for (const auto& command : commands) {
        for (const Place passwords : {Place::before, Place::after}) {
            const std::string out = (dir / ("out" + std::to_string(++run))).string();
            const std::vector<std::string> passwordFile{"--password-file", (dir / "passwords").string()};
            // The source goes on the other side, so both options are seen in both places.
            const std::vector<std::string> source{"--source", backup};
            std::vector<std::string> args = passwords == Place::before ? passwordFile : source;
            args.insert(args.end(), command.begin(), command.end());
            args.insert(args.end(), {"--out", out});
            const std::vector<std::string>& last = passwords == Place::before ? source : passwordFile;
            args.insert(args.end(), last.begin(), last.end());
            SCOPED_TRACE(fmt::format("varnholt {}", fmt::join(args, " ")));
            const auto result = runCli(args);
            EXPECT_EQ(result.status, 0) << result.err;
            EXPECT_EQ(result.err.find("encrypted"), std::string::npos) << result.err;
        }
    }

    // Read from before the command too: a wrong password fails, a file that cannot be read is bad usage,
    // and two files are one too many.
    const auto wrong = runCli({"--password-file", (dir / "wrong").string(), "--source", backup, "messages", "--dry-run",
                               "--out", (dir / "wrong-out").string()});
    EXPECT_EQ(wrong.status, 1);
    EXPECT_NE(wrong.err.find("the backup password is wrong"), std::string::npos) << wrong.err;
    const auto unreadable = runCli({"--password-file", (dir / "absent").string(), "--source", backup, "voice-memos",
                                    "--out", (dir / "absent-out").string()});
    EXPECT_EQ(unreadable.status, 2);
    EXPECT_NE(unreadable.err.find((dir / "absent").string()), std::string::npos) << unreadable.err;
    const auto twice = runCli({"--password-file", (dir / "passwords").string(), "--source", backup, "notes", "--fast",
                               "--password-file", (dir / "wrong").string(), "--out", (dir / "twice").string()});
    EXPECT_EQ(twice.status, 2);
    EXPECT_NE(twice.err.find("give it once"), std::string::npos) << twice.err;
    for (const char* out : {"wrong-out", "absent-out", "twice"})
        EXPECT_FALSE(fs::exists(dir / out)) << out;
}
