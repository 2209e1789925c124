#include "export/voicememos/VoiceMemosExporter.h"
#include "platform/DomainError.h"
#include "platform/FileSystemError.h"
#include "platform/Files.h"
#include "sample-home/SampleFiles.h"
#include "sample-home/VoiceMemosSample.h"
#include "sources/MacHomeSource.h"
#include "support/ProgressLog.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"
#include "support/Unprivileged.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <sys/stat.h>

using namespace varnholt;
namespace fs = std::filesystem;

namespace {

using test::ProgressLog;
using Report = ProgressLog::Report;

const std::string kCandidate1 = "/Library/Group Containers/group.com.apple.VoiceMemos.shared/Recordings";
const std::string kCandidate2 = "/Library/Recordings";
const std::string kCandidate3 = "/Library/Application Support/com.apple.voicememos/Recordings";

nlohmann::json readMetadata(const fs::path& out)
{
    return nlohmann::json::parse(*readFile(out / "voice_memos_metadata.json"));
}

} // namespace

TEST(VoiceMemosExporter, ExportsTheSampleHome)
{
    test::TempDir dir;
    const fs::path home = dir / "home";
    sample::buildVoiceMemos(home, {});
    const fs::path out = dir / "out";

    ProgressLog run;
    test::TraceCapture trace;
    VoiceMemosExporter(run.handler(), MacHomeSource::make(home.string())).exportTo(out.string());

    EXPECT_TRUE(trace.contains("[VoiceMemosExporter] Found accessible directory: " + home.string() + kCandidate1));
    const auto messages = run.messages();
    ASSERT_GE(messages.size(), 5u);
    EXPECT_EQ(messages[0], "Locating Voice Memos...");
    EXPECT_EQ(messages[1], "Found Voice Memos at: Recordings");
    EXPECT_EQ(messages[2], "Found 5 voice memos");
    EXPECT_EQ(messages[3], "Copying voice memos...");
    EXPECT_EQ(messages.back(), "Export complete: 5 voice memos copied");
    EXPECT_EQ(run.reports.back().fraction, 1.0);

    // A hidden recording is copied where it can be seen. What the files hold is compared by the
    // export-tree check, which leaves out the export time.
    EXPECT_TRUE(fs::exists(out / "_.hidden-draft.m4a"));
    EXPECT_FALSE(fs::exists(out / ".hidden-draft.m4a"));
    const auto metadata = readMetadata(out);
    EXPECT_EQ(metadata["total_files"], 5);
    EXPECT_TRUE(
        std::regex_match(metadata["export_date"].get<std::string>(), std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")));
}

TEST(VoiceMemosExporter, PicksTheFirstListableCandidate)
{
    test::TempDir dir;
    const std::string home = (dir / "home").string();
    sample::writeSampleFile(home + kCandidate1 + "/a.m4a", "a");
    sample::writeSampleFile(home + kCandidate3 + "/b.m4a", "b");
    sample::writeSampleFile(home + kCandidate3 + "/c.m4a", "c");

    test::TraceCapture trace;
    ProgressLog run;
    VoiceMemosExporter exporter(run.handler(), MacHomeSource::make(home), {},
                                [&](const std::string& path) { return path != home + kCandidate1; });
    exporter.exportTo((dir / "out").string(), DryRun::yes);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{
                                 "[VoiceMemosExporter] Permission denied for: " + home + kCandidate1,
                                 "[VoiceMemosExporter] Found accessible directory: " + home + kCandidate3,
                             }));
    EXPECT_EQ(run.messages()[2], "Found 2 voice memos");

    // Only the second candidate: taken silently past the missing first.
    test::TempDir other;
    const std::string home2 = (other / "home").string();
    sample::writeSampleFile(home2 + kCandidate2 + "/only.wav", "x");
    test::TraceCapture trace2;
    ProgressLog run2;
    VoiceMemosExporter(run2.handler(), MacHomeSource::make(home2)).exportTo((other / "out").string());
    EXPECT_EQ(trace2.lines(),
              (std::vector<std::string>{"[VoiceMemosExporter] Found accessible directory: " + home2 + kCandidate2}));
    EXPECT_EQ(run2.messages()[2], "Found 1 voice memo");
    EXPECT_EQ(run2.messages().back(), "Export complete: 1 voice memo copied");
}

TEST(VoiceMemosExporter, NoFolderNoFilesAndDryRunWriteNothing)
{
    test::TempDir dir;
    const std::string home = (dir / "home").string();
    fs::create_directories(home);
    ProgressLog run;
    try {
        VoiceMemosExporter(run.handler(), MacHomeSource::make(home)).exportTo((dir / "out").string());
        FAIL() << "expected an error";
    } catch (const DomainError& e) {
        EXPECT_EQ(e.domain(), "VoiceMemosExporter");
        EXPECT_EQ(e.code(), 1);
        EXPECT_EQ(e.description(),
                  "Could not find accessible Voice Memos directory. Cannot read the Voice Memos recordings at " + home +
                      kCandidate1 + ": " + home +
                      " is neither a Mac home folder (it has no Library folder) nor an iPhone backup. Give your user "
                      "read permission on it and the folders above it, mount the disk that holds it, or point "
                      "--source at a Mac home folder or iPhone backup that holds it.");
    }

    sample::writeSampleFile(home + kCandidate1 + "/readme.txt", "no audio");
    for (DryRun dry : {DryRun::no, DryRun::yes}) {
        ProgressLog empty;
        VoiceMemosExporter(empty.handler(), MacHomeSource::make(home)).exportTo((dir / "out").string(), dry);
        EXPECT_EQ(empty.messages().back(), "No voice memos found");
        EXPECT_EQ(empty.reports.back().fraction, 1.0);
    }

    sample::writeSampleFile(home + kCandidate1 + "/one.m4a", std::string(1500, 'x'));
    sample::writeSampleFile(home + kCandidate1 + "/two.m4a", std::string(500, 'x'));
    fs::create_symlink(home + "/nowhere.m4a", home + kCandidate1 + "/dangling.m4a");
    ProgressLog dry;
    VoiceMemosExporter(dry.handler(), MacHomeSource::make(home)).exportTo((dir / "out").string(), DryRun::yes);
    EXPECT_EQ(dry.messages().back(), "Dry run complete: 2 voice memos, total size: 2 KB");
    EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST(VoiceMemosExporter, ReplacesExistingCopiesAndSurvivesLinkLoops)
{
    test::TempDir dir;
    const std::string home = (dir / "home").string();
    const std::string folder = home + kCandidate1;
    sample::writeSampleFile(folder + "/memo.m4a", "new");
    fs::create_directory_symlink(folder, folder + "/loop");
    fs::create_directory_symlink("/", folder + "/root");
    const fs::path out = dir / "out";
    sample::writeSampleFile(out / "memo.m4a", "old");

    ProgressLog run;
    VoiceMemosExporter(run.handler(), MacHomeSource::make(home)).exportTo(out.string());
    EXPECT_EQ(*readFile(out / "memo.m4a"), "new");
    EXPECT_EQ(readMetadata(out)["total_files"], 1);
}

TEST(VoiceMemosExporter, OutputThatIsAFileFailsClearly)
{
    test::TempDir dir;
    const std::string home = (dir / "home").string();
    sample::writeSampleFile(home + kCandidate1 + "/memo.m4a", "x");
    sample::writeSampleFile(dir / "out", "I am a file");
    ProgressLog run;
    try {
        VoiceMemosExporter(run.handler(), MacHomeSource::make(home)).exportTo((dir / "out").string());
        FAIL() << "expected an error";
    } catch (const FileSystemError& e) {
        EXPECT_NE(e.description().find((dir / "out").string()), std::string::npos) << e.description();
    }
}

TEST(VoiceMemosExporter, StopRequestEndsTheCopyLoop)
{
    test::TempDir dir;
    const std::string home = (dir / "home").string();
    for (int i = 0; i < 5; ++i)
        sample::writeSampleFile(home + kCandidate1 + "/m" + std::to_string(i) + ".m4a", "x");
    std::stop_source stop;
    ProgressLog run;
    auto handler = [&](double f, const std::string& m) {
        run.reports.push_back({f, m});
        if (m == "Copying voice memo 2 of 5")
            stop.request_stop();
    };
    VoiceMemosExporter(handler, MacHomeSource::make(home), stop.get_token()).exportTo((dir / "out").string());
    EXPECT_EQ(run.messages().back(), "Copying voice memo 2 of 5");
    EXPECT_FALSE(fs::exists(dir / "out" / "voice_memos_metadata.json"));
}

TEST(VoiceMemosExporter, UnreadableRecordingIsCountedAsFailedButListed)
{
    if (!test::canTestPermissions())
        GTEST_SKIP() << "cannot drop privileges here";
    test::TempDir dir;
    const std::string home = (dir / "home").string();
    const std::string folder = home + kCandidate1;
    sample::writeSampleFile(folder + "/a.m4a", "readable");
    sample::writeSampleFile(folder + "/b.m4a", "secret");
    chmod((folder + "/b.m4a").c_str(), 0);
    const fs::path out = dir / "out";
    fs::create_directories(out);
    chown(out.c_str(), test::kNobodyUid, test::kNobodyUid);

    const int result = test::runUnprivileged([&] {
        std::vector<Report> reports;
        try {
            VoiceMemosExporter(
                [&](double f, const std::string& m) {
                    reports.push_back({f, m});
                },
                MacHomeSource::make(home))
                .exportTo(out.string());
        } catch (...) {
            return 10;
        }
        if (reports.back().message != "Export complete: 1 voice memo copied (1 failed)")
            return 11;
        return 0;
    });
    ASSERT_EQ(result, 0);
    const auto metadata = readMetadata(out);
    EXPECT_EQ(metadata["total_files"], 2);
    EXPECT_EQ(metadata["files"].size(), 2u);
    EXPECT_EQ(*readFile(out / "a.m4a"), "readable");
}
