#include "export/voicememos/VoiceMemosExporter.h"
#include "platform/Database.h"
#include "platform/FileAttributes.h"
#include "platform/Files.h"
#include "sample-home/SampleFiles.h"
#include "sample-home/VoiceMemosSample.h"
#include "sources/MacHomeSource.h"
#include "sources/voicememos/RecordingTranscript.h"
#include "support/RealData.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace varnholt;
namespace fs = std::filesystem;

namespace {

// File names carry the local time of the recording; the cases pin it to UTC.
class RecordingTitles : public ::testing::Test {
protected:
    static nlohmann::json exportHome(const fs::path& home, const fs::path& out, VoiceMemosExporter::Naming naming)
    {
        VoiceMemosExporter exporter({}, MacHomeSource::make(home.string()));
        exporter.setNaming(naming);
        exporter.exportTo(out.string());
        return nlohmann::json::parse(*readFile(out / "voice_memos_metadata.json"));
    }

    static const nlohmann::json* entry(const nlohmann::json& metadata, const std::string& filename)
    {
        for (const auto& file : metadata["files"])
            if (file["filename"] == filename)
                return &file;
        return nullptr;
    }

    const test::ScopedEnvironment m_utc{"TZ", "UTC"};
};

} // namespace

TEST_F(RecordingTitles, NamesCopiesByDateAndTitleAndDescribesThem)
{
    test::TempDir dir;
    const fs::path home = dir / "home";
    sample::buildVoiceMemos(home, {});
    const fs::path source = sample::voiceMemosFolder(home);
    // As a backup's files are: dated when copied, not when recorded.
    const auto copiedAt = std::chrono::system_clock::from_time_t(1'700'000'000);
    for (const char* name : {"20240305 140322.m4a", "Interview Ärztin 東京.wav"})
        ASSERT_TRUE(setModificationTime((source / name).string(), copiedAt));
    const auto metadata = exportHome(home, dir / "out", VoiceMemosExporter::Naming::byTitle);
    // Copies are dated when recorded, or as their source is when the catalog does not know them.
    EXPECT_EQ(readFileAttributes((dir / "out/2024-03-05 14.03 Grocery list idea.m4a").string()).modified,
              std::chrono::system_clock::from_time_t(1'709'647'402));
    EXPECT_EQ(readFileAttributes((dir / "out/Interview Ärztin 東京.wav").string()).modified, copiedAt);

    // The title from ZENCRYPTEDTITLE; the custom label when that is empty, through the file-name rule.
    EXPECT_EQ(*readFile(dir / "out/2024-03-05 14.03 Grocery list idea.m4a"), *readFile(source / "20240305 140322.m4a"));
    EXPECT_EQ(*readFile(dir / "out/2024-05-01 12.51 Kitchen- tiles - colours.M4A"),
              *readFile(source / "Kitchen idea.M4A"));
    // Recordings the catalog does not know keep their names.
    EXPECT_TRUE(fs::exists(dir / "out/Interview Ärztin 東京.wav"));
    EXPECT_TRUE(fs::exists(dir / "out/Archive/2023/Old lecture.caf"));

    const nlohmann::json* grocery = entry(metadata, "20240305 140322.m4a");
    ASSERT_NE(grocery, nullptr);
    EXPECT_EQ((*grocery)["path"], "2024-03-05 14.03 Grocery list idea.m4a");
    EXPECT_EQ((*grocery)["title"], "Grocery list idea");
    EXPECT_EQ((*grocery)["recorded_at"], "2024-03-05T14:03:22Z");
    EXPECT_EQ((*grocery)["duration_seconds"], 3.0);
    EXPECT_EQ((*grocery)["folder"], "Ideas");
    EXPECT_EQ((*grocery)["recently_deleted"], false);
    EXPECT_EQ((*grocery)["type"], "audio");
    EXPECT_EQ((*grocery)["extension"], "m4a");
    // The transcript inside the recording, beside its copy.
    EXPECT_EQ((*grocery)["transcript"], "2024-03-05 14.03 Grocery list idea.txt");
    EXPECT_EQ(*readFile(dir / "out/2024-03-05 14.03 Grocery list idea.txt"), "Milk, eggs and the good bread.\n");

    const nlohmann::json* kitchen = entry(metadata, "Kitchen idea.M4A");
    ASSERT_NE(kitchen, nullptr);
    EXPECT_EQ((*kitchen)["title"], "Kitchen: tiles / colours");
    EXPECT_EQ((*kitchen)["recently_deleted"], true);
    EXPECT_FALSE(kitchen->contains("folder"));
    EXPECT_FALSE(kitchen->contains("transcript"));

    const nlohmann::json* interview = entry(metadata, "Interview Ärztin 東京.wav");
    ASSERT_NE(interview, nullptr);
    for (const char* key : {"title", "recorded_at", "duration_seconds", "folder", "recently_deleted", "transcript"})
        EXPECT_FALSE(interview->contains(key)) << key;
}

TEST_F(RecordingTitles, ThePreviewNamesTheTitles)
{
    test::TempDir dir;
    const fs::path home = dir / "home";
    sample::buildVoiceMemos(home, {});
    std::string last;
    VoiceMemosExporter exporter([&last](double, const std::string& message) { last = message; },
                                MacHomeSource::make(home.string()));
    exporter.exportTo((dir / "out").string(), DryRun::yes);
    EXPECT_TRUE(last.starts_with("Dry run complete: 5 voice memos, total size: ")) << last;
    EXPECT_TRUE(last.ends_with(". Titles: Grocery list idea, Kitchen: tiles / colours") ||
                last.ends_with(". Titles: Kitchen: tiles / colours, Grocery list idea"))
        << last;
    EXPECT_FALSE(fs::exists(dir / "out"));
}

TEST_F(RecordingTitles, TitlesThatClashAreNumberedAndNoTitleEscapesTheFolder)
{
    test::TempDir dir;
    const fs::path home = dir / "home";
    const fs::path folder = sample::voiceMemosFolder(home);
    for (const char* name : {"a.m4a", "b.m4a", "c.m4a", "d.m4a"})
        sample::writeSampleFile(folder / name, sample::makeM4a(0.25));
    sample::writeCloudRecordings(folder, {
                                             {"a.m4a", "Same", "", 700000000, 1, "", false},
                                             {"b.m4a", "same", "", 700000010, 1, "", false},
                                             {"c.m4a", "../../up", "", 700000000, 1, "", false},
                                             {"d.m4a", "", "", 700000000, 1, "", false},
                                         });
    exportHome(home, dir / "out", VoiceMemosExporter::Naming::byTitle);
    std::set<std::string> names;
    for (const auto& item : fs::directory_iterator(dir / "out"))
        names.insert(item.path().filename().string());
    EXPECT_EQ(names, (std::set<std::string>{"2023-03-08 20.26 Same.m4a", "2023-03-08 20.26 same (2).m4a",
                                            "2023-03-08 20.26 ..-..-up.m4a", "d.m4a", "voice_memos_metadata.json"}));
}

TEST_F(RecordingTitles, ReadsTheOlderCatalogAndSurvivesADamagedOne)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    test::TempDir dir;
    const fs::path home = dir / "home";
    const fs::path folder = sample::voiceMemosFolder(home);
    fs::create_directories(folder);
    // The real, empty iOS catalog, copied and given one row.
    test::copyDatabase(realdata / "OTAPKI_iphone/MediaDomain/Media/Recordings/Recordings.db", folder);
    {
        auto db = Database::open((folder / "Recordings.db").string(), Database::Mode::ReadWriteCreate);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->exec("INSERT INTO ZRECORDING (Z_ENT, Z_OPT, ZDATE, ZDURATION, ZCUSTOMLABEL, ZPATH) VALUES "
                             "(1, 1, 500000000, 12.5, 'Lecture', '/var/mobile/Media/Recordings/old.m4a')"));
    }
    sample::writeSampleFile(folder / "old.m4a", sample::makeM4a(0.25));
    auto metadata = exportHome(home, dir / "out", VoiceMemosExporter::Naming::byTitle);
    EXPECT_TRUE(fs::exists(dir / "out/2016-11-05 00.53 Lecture.m4a"));
    EXPECT_EQ((*entry(metadata, "old.m4a"))["duration_seconds"], 12.5);

    // A catalog that is no database: the recordings still export, under their own names, and the trace says why.
    fs::remove(folder / "Recordings.db");
    sample::writeSampleFile(folder / "CloudRecordings.db", "this is not a database, just text long enough");
    test::TraceCapture trace;
    metadata = exportHome(home, dir / "out2", VoiceMemosExporter::Naming::byTitle);
    EXPECT_TRUE(fs::exists(dir / "out2/old.m4a"));
    EXPECT_FALSE(entry(metadata, "old.m4a")->contains("title"));
    EXPECT_EQ(trace.linesStartingWith("[VoiceMemosExporter] \u26A0\uFE0F Cannot read the recordings catalog").size(),
              1u);
}

TEST(RecordingTranscript, FindsTheAtomOnlyWhereItIsWhole)
{
    test::TempDir dir;
    const std::string withWords = sample::makeM4aWithTranscript(0.25, {"One", " two"});
    sample::writeSampleFile(dir / "t.m4a", withWords);
    EXPECT_EQ(readRecordingTranscript(dir / "t.m4a"), "One two");

    sample::writeSampleFile(dir / "none.m4a", sample::makeM4a(0.25));
    EXPECT_EQ(readRecordingTranscript(dir / "none.m4a"), std::nullopt);
    EXPECT_EQ(readRecordingTranscript(dir / "missing.m4a"), std::nullopt);

    // Cut inside the moov box: its size points past the end, so nothing inside it is trusted.
    const std::size_t moov = withWords.find("moov") - 4;
    sample::writeSampleFile(dir / "cut.m4a", withWords.substr(0, moov + 40));
    EXPECT_EQ(readRecordingTranscript(dir / "cut.m4a"), std::nullopt);

    // A box claiming to be smaller than its own header must not loop the walk.
    std::string looping = withWords;
    looping.replace(moov, 4, std::string("\0\0\0\4", 4));
    sample::writeSampleFile(dir / "loop.m4a", looping);
    EXPECT_EQ(readRecordingTranscript(dir / "loop.m4a"), std::nullopt);
}
