// An output disk that fills up at each stage of each export: the export fails (exit 1) with the
// words a user needs (which file, which disk, how much is free), says "Export failed" once, and
// leaves nothing under a final name that is not whole.

#include "platform/Database.h"
#include "sample-home/MessagesSample.h"
#include "sample-home/SampleFiles.h"
#include "sample-home/SampleHome.h"
#include "support/CliRun.h"
#include "support/FileTree.h"
#include "support/SmallDisk.h"
#include "support/SourceFingerprint.h"
#include "support/TempDir.h"

#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace varnholt;
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kBig = 1024 * 1024; // more than the small disk holds

struct Stage {
    std::string name;
    std::vector<std::string> command; // without --home and --out
    std::function<void(const fs::path& home)> makeBig;
};

void growFirstPhoto(const fs::path& home)
{
    for (const std::string& relative : test::filesBelow(home / "Library/Messages/Attachments"))
        if (fs::path(relative).extension() == ".jpg") {
            sample::writeSampleFile(home / "Library/Messages/Attachments" / relative, std::string(kBig, 'j'));
            return;
        }
    FAIL() << "the sample has no photo attachment";
}

void growFirstConversation(const fs::path& home)
{
    auto db = Database::open(sample::messagesDatabasePath(home).string(), Database::Mode::ReadWriteCreate);
    ASSERT_TRUE(db);
    ASSERT_TRUE(db->exec("UPDATE message SET text = '" + std::string(kBig, 'm') +
                         "' WHERE ROWID = (SELECT min(message_id) FROM chat_message_join WHERE chat_id = (SELECT "
                         "min(ROWID) FROM chat))"));
}

const std::vector<Stage>& stages()
{
    static const std::vector<Stage> kStages{
        {"recordings",
         {"voice-memos"},
         [](const fs::path& home) {
             sample::writeSampleFile(home / "Library/Group Containers/group.com.apple.VoiceMemos.shared/Recordings/"
                                            "Long interview.m4a",
                                     std::string(kBig, 'r'));
         }},
        {"message attachments", {"messages"}, growFirstPhoto},
        {"conversation pages (JSON, HTML, text)", {"messages"}, growFirstConversation},
        // The sample holds a note whose body inflates to more than a megabyte.
        {"NDJSON", {"notes", "--fast", "--format", "json"}, {}},
        {"note text files", {"notes", "--fast", "--format", "txt"}, {}},
        {"note pages", {"notes", "--format", "html"}, {}},
        {"note pages converted to text", {"notes", "--format", "txt"}, {}},
    };
    return kStages;
}

// Without a home (`convert`), only the output folder is added.
std::vector<std::string> withFolders(std::vector<std::string> command, const fs::path& home, const fs::path& out)
{
    if (!home.empty())
        command.insert(command.begin(), {"--home", home.string()});
    command.insert(command.end(), {"--out", out.string()});
    return command;
}

} // namespace

TEST(FullDisk, EveryStageFailsTheExportNamesTheDiskAndLeavesOnlyWholeFiles)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    for (const Stage& stage : stages()) {
        SCOPED_TRACE(stage.name);
        test::TempDir dir;
        sample::buildSampleHome(dir / "home");
        if (stage.makeBig)
            stage.makeBig(dir / "home");
        const test::SmallDisk small(dir / "small", "512k");
        if (!small.mounted())
            GTEST_SKIP() << small.failure();

        // What each file holds when it is whole.
        const auto reference = test::runCli(withFolders(stage.command, dir / "home", dir / "reference"));
        ASSERT_EQ(reference.status, 0) << reference.err;

        const fs::path out = dir / "small/out";
        const auto run = test::runCli(withFolders(stage.command, dir / "home", out));
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("the disk mounted at " + (dir / "small").string() + " has "), std::string::npos)
            << "the error itself names the disk and its free space, for every front end: " << run.err;
        EXPECT_NE(run.err.find("The disk that holds " + out.string() + " is full"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find("Export complete"), std::string::npos) << run.err;

        std::size_t failureLines = 0;
        for (const std::string& line : run.trace)
            if (line.starts_with("[Varnholt] \u274C Export failed: ")) {
                ++failureLines;
                EXPECT_EQ(line.find("Export failed: Export failed"), std::string::npos) << line;
            }
        EXPECT_EQ(failureLines, 1u);

        const test::TreeFingerprint whole = test::fingerprintTree(dir / "reference");
        for (const auto& [relative, fingerprint] : test::fingerprintTree(out)) {
            EXPECT_EQ(fs::path(relative).filename().string().rfind(".varnholt-", 0), std::string::npos)
                << "a temporary file stayed: " << relative;
            if (fingerprint.kind != test::FileFingerprint::Kind::file)
                continue;
            const auto reference = whole.find(relative);
            ASSERT_NE(reference, whole.end()) << relative;
            EXPECT_EQ(fingerprint.sha256, reference->second.sha256) << relative << " is not whole";
        }
    }
}

// The conversions on their own, from pages that fit on a roomy disk into a small one: each format
// fails on the full disk naming it, and leaves only whole files.
TEST(FullDisk, EachConversionFailsOnAFullDiskAndLeavesOnlyWholeFiles)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "mounting a small file system needs root";
    test::TempDir dir;
    sample::buildSampleHome(dir / "home");
    ASSERT_EQ(test::runCli(withFolders({"notes", "--format", "html"}, dir / "home", dir / "pages")).status, 0);
    for (const char* format : {"rtf", "txt", "md"}) {
        SCOPED_TRACE(format);
        const std::vector<std::string> command{"convert", "--html", (dir / "pages").string(), "--format", format};
        const auto reference = test::runCli(withFolders(command, {}, dir / "reference" / format));
        ASSERT_EQ(reference.status, 0) << reference.err;
        const test::SmallDisk small(dir / "small" / format, "512k");
        if (!small.mounted())
            GTEST_SKIP() << small.failure();
        const fs::path out = dir / "small" / format / "out";
        const auto run = test::runCli(withFolders(command, {}, out));
        EXPECT_EQ(run.status, 1) << run.err;
        EXPECT_NE(run.err.find("No space left on device"), std::string::npos) << run.err;
        EXPECT_NE(run.err.find("the disk mounted at " + (dir / "small" / format).string()), std::string::npos)
            << run.err;
        const test::TreeFingerprint whole = test::fingerprintTree(dir / "reference" / format);
        for (const auto& [relative, fingerprint] : test::fingerprintTree(out)) {
            EXPECT_EQ(relative.find(".partial-"), std::string::npos) << relative;
            EXPECT_EQ(fs::path(relative).filename().string().rfind(".varnholt-", 0), std::string::npos) << relative;
            if (fingerprint.kind != test::FileFingerprint::Kind::file)
                continue;
            const auto reference = whole.find(relative);
            ASSERT_NE(reference, whole.end()) << relative;
            EXPECT_EQ(fingerprint.sha256, reference->second.sha256) << relative << " is not whole";
        }
    }
}
