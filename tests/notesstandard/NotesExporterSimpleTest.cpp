#include "export/notesstandard/NotesExporterSimple.h"
#include "export/notesstandard/OutputPostProcessing.h"
#include "model/ExportError.h"
#include "platform/Files.h"
#include "sample-home/NotesSample.h"
#include "sample-home/SampleFiles.h"
#include "sources/MacHomeSource.h"
#include "support/FileTree.h"
#include "support/SmallDisk.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>
#include <regex>

using namespace varnholt;
namespace fs = std::filesystem;

namespace {

long long htmlFilesBelow(const fs::path& root)
{
    long long count = 0;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->path().extension() == ".html")
            ++count;
    return count;
}

// The sample Notes library, exported by the real exporter with the clock, the conversion and the
// commands it would start in the test's hands.
struct Fixture {
    Fixture()
    {
        sample::buildNotes(dir / "home", {});
        services.source = MacHomeSource::make((dir / "home").string());
        services.now = [this] { return now; };
        services.runCommand = [this](const std::string& executable, const std::vector<std::string>& args) {
            commands.push_back(executable + " " + args.at(0) + " " + args.at(1));
            return std::optional<int>(0);
        };
        services.convertFormats = [this](const std::string& out, const ExportFormatSet& formats,
                                         std::optional<long long> limit, const ProgressHandler&) {
            conversions.push_back({out, formats, limit});
            return 7LL;
        };
    }

    void run(const ExportFormatSet& formats, std::optional<long long> limit = std::nullopt, DryRun dry = DryRun::no,
             std::stop_token stop = {})
    {
        NotesExporterSimple exporter(services, stop);
        exporter.exportTo(out(), dry, formats, limit, [this](double f, const std::string& m) {
            fractions.push_back(f);
            messages.push_back(m);
            if (onProgress)
                onProgress();
        });
    }

    std::string out() const { return (dir / "out").string(); }
    // Notes the sample library shows (the dry run counts them).
    long long libraryNotes()
    {
        Fixture counter;
        counter.services.source = services.source;
        counter.run({ExportFormat::html}, std::nullopt, DryRun::yes);
        long long n = 0;
        std::sscanf(counter.messages.back().c_str(), "Total: %lld", &n);
        return n;
    }

    struct Conversion {
        std::string out;
        ExportFormatSet formats;
        std::optional<long long> limit;
    };

    test::TempDir dir;
    NotesExporterSimple::Services services;
    std::chrono::steady_clock::time_point now{};
    std::function<void()> onProgress;
    std::vector<std::string> commands;
    std::vector<Conversion> conversions;
    std::vector<double> fractions;
    std::vector<std::string> messages;
};

} // namespace

TEST(NotesExporterSimple, HtmlOnlyWritesEveryPageAndReportsAsItGoes)
{
    Fixture f;
    const long long total = f.libraryNotes();
    ASSERT_GE(total, 10);
    // A second passes between notes, so every note is reported with an estimate.
    f.onProgress = [&f] { f.now += std::chrono::seconds(1); };
    test::TraceCapture trace;
    f.run({ExportFormat::html});

    EXPECT_EQ(f.messages.front(), "Counting notes...");
    EXPECT_EQ(f.messages[1], "Starting export of " + std::to_string(total) + " notes...");
    EXPECT_EQ(f.messages[2], "Exporting notes... (0/" + std::to_string(total) + ")");
    EXPECT_TRUE(std::regex_match(f.messages[3], std::regex("Exporting notes\\.\\.\\. \\(1/" + std::to_string(total) +
                                                           "\\) \u2022 ~\\d+ (seconds|minutes) remaining")))
        << f.messages[3];
    EXPECT_DOUBLE_EQ(f.fractions[3], 0.1 + (1.0 / static_cast<double>(total)) * 0.85);
    EXPECT_EQ(std::count_if(f.messages.begin(), f.messages.end(),
                            [](const std::string& m) { return m.rfind("Exporting notes...", 0) == 0; }),
              total + 1);
    EXPECT_EQ(f.messages[f.messages.size() - 2], "Cleaning up empty folders...");
    EXPECT_EQ(f.messages.back(), "Export complete! " + std::to_string(total) + " notes exported");
    EXPECT_EQ(htmlFilesBelow(f.out()), total) << "the pages are at the top of the output folder";
    EXPECT_NE(readFile(fs::path(f.out()) / "On My Mac/Notes/Formatting showcase.html")->find("<b>bold</b>"),
              std::string::npos);
    EXPECT_TRUE(f.conversions.empty());
    EXPECT_TRUE(f.commands.empty());

    // Without time passing, only the start and the last note are reported.
    Fixture still;
    still.run({ExportFormat::html});
    EXPECT_EQ(std::count_if(still.messages.begin(), still.messages.end(),
                            [](const std::string& m) { return m.rfind("Exporting notes...", 0) == 0; }),
              2);
}

TEST(NotesExporterSimple, LimitWritesThatManyPagesAndPassesItOn)
{
    Fixture f;
    f.run({ExportFormat::html, ExportFormat::pdf}, 2);
    EXPECT_EQ(f.messages[1], "Starting export of 2 notes (DEBUG MODE: limited to 2)...");
    EXPECT_EQ(htmlFilesBelow(fs::path(f.out()) / "html"), 2);
    ASSERT_EQ(f.conversions.size(), 1u);
    EXPECT_EQ(f.conversions[0].limit, 2);
    EXPECT_EQ(f.messages.back(), "Export complete! 2 notes exported");

    Fixture big;
    const long long total = big.libraryNotes();
    big.run({ExportFormat::html}, 5000);
    EXPECT_EQ(big.messages[1],
              "Starting export of " + std::to_string(total) + " notes (DEBUG MODE: limited to 5000)...");

    Fixture zero;
    zero.run({ExportFormat::html}, 0);
    EXPECT_EQ(zero.messages.back(), "Export complete! 0 notes exported");
    EXPECT_EQ(htmlFilesBelow(zero.out()), 0);
}

TEST(NotesExporterSimple, DryRunWritesNothingAndAMissingStoreSaysWhatToDo)
{
    Fixture dry;
    const auto before = test::entriesBelow(dry.dir.path());
    dry.run({ExportFormat::html}, std::nullopt, DryRun::yes);
    EXPECT_EQ(dry.messages,
              (std::vector<std::string>{"Scanning Notes library...",
                                        "Total: " + std::to_string(dry.libraryNotes()) + " notes in 1 accounts"}));
    EXPECT_EQ(dry.fractions, (std::vector<double>{0.1, 1.0}));
    EXPECT_EQ(test::entriesBelow(dry.dir.path()), before);

    for (const bool unreadable : {false, true}) {
        SCOPED_TRACE(unreadable ? "unreadable" : "missing");
        Fixture denied;
        if (unreadable)
            denied.services.canRead = [](const std::string&) { return false; };
        else
            denied.services.source = MacHomeSource::make((denied.dir / "elsewhere").string());
        try {
            denied.run({ExportFormat::html});
            FAIL() << "expected a permission error";
        } catch (const ExportError& e) {
            EXPECT_EQ(e.kind(), ExportError::Kind::permissionDenied);
            EXPECT_EQ(static_cast<const Error&>(e).kind(), ErrorKind::permission);
            EXPECT_NE(e.description().find("NoteStore.sqlite"), std::string::npos) << e.description();
            EXPECT_NE(e.description().find(unreadable ? "read permission" : "Point the source folder"),
                      std::string::npos)
                << e.description();
        }
        EXPECT_EQ(denied.messages, (std::vector<std::string>{"Counting notes..."}));
    }
}

TEST(NotesExporterSimple, ConversionOnlyDisposesOfTheHtmlFolder)
{
    Fixture f;
    test::TraceCapture trace;
    fs::create_directories(fs::path(f.out()) / "html");
    f.run({ExportFormat::markdown});
    ASSERT_EQ(f.conversions.size(), 1u);
    EXPECT_EQ(f.conversions[0].formats, ExportFormatSet{ExportFormat::markdown});
    EXPECT_EQ(f.commands, (std::vector<std::string>{"/usr/bin/env trash " + f.out() + "/html"}));
    EXPECT_TRUE(trace.contains("[NotesExporter] Moved temporary HTML files to trash"));
    EXPECT_EQ(f.messages.back(), "Export complete! 7 notes exported");

    Fixture jsonOnly;
    jsonOnly.run({ExportFormat::json});
    EXPECT_TRUE(jsonOnly.conversions.empty());
    EXPECT_EQ(jsonOnly.messages.back(), "Export complete! 0 notes exported");
}

TEST(NotesExporterSimple, StopEndsTheExportBetweenNotes)
{
    Fixture f;
    std::stop_source stop;
    f.onProgress = [&] {
        f.now += std::chrono::seconds(1);
        if (f.messages.back().rfind("Exporting notes... (1/", 0) == 0)
            stop.request_stop();
    };
    f.run({ExportFormat::html}, std::nullopt, DryRun::no, stop.get_token());
    EXPECT_EQ(htmlFilesBelow(f.out()), 1);
    EXPECT_EQ(f.messages.back().rfind("Exporting notes... (1/", 0), 0u) << f.messages.back();
}

TEST(NotesExporterSimple, AFullDiskFailsTheExportAndLeavesNoHalfPage)
{
    Fixture f;
    // The sample's images make a few hundred kilobytes; the disk holds less.
    test::SmallDisk disk(f.dir / "out", "96k");
    if (!disk.mounted())
        GTEST_SKIP() << disk.failure();
    try {
        f.run({ExportFormat::html});
        FAIL() << "expected a full disk";
    } catch (const Error& e) {
        EXPECT_EQ(e.kind(), ErrorKind::diskFull) << e.description();
        EXPECT_NE(e.description().find(f.out()), std::string::npos) << e.description();
    }
    EXPECT_EQ(f.messages.back().find("Export complete"), std::string::npos);
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(f.out(), ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        EXPECT_EQ(it->path().filename().string().find(".tmp"), std::string::npos) << it->path();
        if (it->path().extension() == ".html") {
            EXPECT_NE(readFile(it->path())->find("</html>"), std::string::npos) << it->path();
        }
    }
}

TEST(OutputPostProcessing, RemovesOnlyEmptyAttachmentFolders)
{
    test::TempDir dir;
    const fs::path root = dir / "html";
    fs::create_directories(root / "a_files");
    sample::writeSampleFile(root / "b_files/.hidden", "x");
    fs::create_directories(root / "c_files/inner_files");
    sample::writeSampleFile(root / "sub/d_files/img.png", "png");
    fs::create_directories(root / "sub/e_files");
    test::TraceCapture trace;
    cleanupEmptyFilesFolders(root.string());
    EXPECT_FALSE(fs::exists(root / "a_files"));
    EXPECT_FALSE(fs::exists(root / "sub/e_files"));
    EXPECT_TRUE(fs::exists(root / "b_files"));
    EXPECT_TRUE(fs::exists(root / "c_files/inner_files")) << "not visited inside another _files folder";
    EXPECT_TRUE(fs::exists(root / "sub/d_files/img.png"));
    EXPECT_EQ(trace.lines().size(), 2u);

    test::TraceCapture quiet;
    cleanupEmptyFilesFolders((dir / "missing").string());
    EXPECT_TRUE(quiet.lines().empty());

    std::vector<std::string> ran;
    disposeTemporaryHtml((dir / "nothing-here").string(), [&](const std::string& e, const std::vector<std::string>&) {
        ran.push_back(e);
        return std::optional<int>();
    });
    EXPECT_TRUE(ran.empty());
}
