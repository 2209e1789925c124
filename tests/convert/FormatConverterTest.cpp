#include "convert/FormatConverter.h"
#include "FakeTools.h"
#include "platform/FileSystemError.h"
#include "platform/Files.h"
#include "support/FileTree.h"
#include "support/ProgressLog.h"
#include "support/SmallDisk.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

using test::ProgressLog;

void writeNotes(const fs::path& folder, int count)
{
    fs::create_directories(folder);
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Note %02d.html", i);
        ASSERT_TRUE(writeFile(folder / name, "<h1>Note " + std::to_string(i) + "</h1><div>Body ñ</div>"));
    }
}

TEST(FormatConverter, EveryFormatKeepsTheSourceFoldersSoNoNoteIsLost)
{
    test::TempDir dir;
    const fs::path out = dir / "export";
    const fs::path html = out / "html";
    fs::create_directories(html / "Work" / "Plan_files");
    fs::create_directories(html / "Home");
    ASSERT_TRUE(writeFile(html / "Top.html", "<p>top</p>"));
    ASSERT_TRUE(writeFile(html / "Work" / "Plan.html", "<p>work plan</p>"));
    ASSERT_TRUE(writeFile(html / "Home" / "Plan.html", "<p>home plan</p>"));
    ASSERT_TRUE(writeFile(html / "It's \"quoted\" – Grüße 日本.html", "<p>odd name</p>"));
    ASSERT_TRUE(writeFile(html / "Empty.html", ""));
    ASSERT_TRUE(writeFile(html / "Work" / "Plan_files" / "photo.png", "png"));
    ASSERT_TRUE(writeFile(html / "notes.htm", "<p>not ours</p>"));

    test::TraceCapture trace;
    ProgressLog progress;
    FormatConverter converter(test::noTools());
    const int processed = converter.convertFormats(
        out.string(),
        {ExportFormat::html, ExportFormat::txt, ExportFormat::rtf, ExportFormat::pdf, ExportFormat::markdown},
        std::nullopt, progress.handler());

    EXPECT_EQ(processed, 5);
    ASSERT_EQ(progress.reports.size(), 1u);
    EXPECT_DOUBLE_EQ(progress.reports[0].fraction, 0.99);
    EXPECT_EQ(progress.reports[0].message, "Converting formats... (5/5)");
    const std::vector<std::string> expected = {
        "html/Empty.html", "html/Home/Plan.html", "html/It's \"quoted\" – Grüße 日本.html", "html/Top.html",
        "html/Work/Plan.html", "html/Work/Plan_files/photo.png", "html/notes.htm", "markdown/Empty.md",
        "markdown/Home/Plan.md", "markdown/It's \"quoted\" – Grüße 日本.md", "markdown/Top.md", "markdown/Work/Plan.md",
        // The attachments beside the Markdown too, so that its links resolve.
        "markdown/Work/Plan_files/photo.png",
        // Without weasyprint each PDF is an RTF in the pdf folder.
        "pdf/Empty.rtf", "pdf/Home/Plan.rtf", "pdf/It's \"quoted\" – Grüße 日本.rtf", "pdf/Top.rtf",
        "pdf/Work/Plan.rtf", "rtf/Empty.rtf", "rtf/Home/Plan.rtf", "rtf/It's \"quoted\" – Grüße 日本.rtf",
        "rtf/Top.rtf", "rtf/Work/Plan.rtf", "txt/Empty.txt", "txt/Home/Plan.txt",
        "txt/It's \"quoted\" – Grüße 日本.txt", "txt/Top.txt", "txt/Work/Plan.txt"};
    EXPECT_EQ(test::filesBelow(out), expected);
    EXPECT_EQ(*readFile(out / "txt" / "Work" / "Plan.txt"), "work plan\n");
    EXPECT_EQ(*readFile(out / "txt" / "Home" / "Plan.txt"), "home plan\n");
    EXPECT_EQ(*readFile(out / "markdown" / "Home" / "Plan.md"), "home plan");
    EXPECT_EQ(*readFile(out / "txt" / "Empty.txt"), "");
    // Nothing beside the output folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
    EXPECT_EQ(trace.linesStartingWith("[NotesExporter] Note: PDF conversion requires weasyprint.").size(), 5u);
    // Said once, not once per file.
    EXPECT_EQ(trace.linesStartingWith("[NotesExporter] This build has no bundled weasyprint").size(), 1u);
}

TEST(FormatConverter, MarkdownAndPdfTakeOnePythonPerWorkerForAllNotes)
{
    test::TempDir dir;
    writeNotes(dir / "html", 25);
    ConversionTools tools = test::noTools();
    // Counts its runs and copies each listed source to its target.
    test::writeScript(dir / "python3", "echo run >> \"" + (dir / "runs").string() +
                                           "\"; tr '\\000' '\\n' < \"$3\" | "
                                           "while read -r src && read -r dst; do cat \"$src\" > \"$dst\"; done");
    tools.systemPythons = {(dir / "python3").string()};
    test::TraceCapture trace;
    FormatConverter converter(tools, {}, 2);
    EXPECT_EQ(converter.convertFormats(dir.str(), {ExportFormat::html, ExportFormat::markdown, ExportFormat::pdf},
                                       std::nullopt, {}),
              25);
    // Two workers, two formats: four runs for 25 notes.
    EXPECT_EQ(*readFile(dir / "runs"), "run\nrun\nrun\nrun\n");
    EXPECT_EQ(test::filesBelow(dir / "markdown").size(), 25u);
    EXPECT_EQ(test::filesBelow(dir / "pdf").size(), 25u);
    EXPECT_EQ(*readFile(dir / "pdf" / "Note 07.pdf"), *readFile(dir / "html" / "Note 07.html"));
    EXPECT_EQ(trace.linesStartingWith("[NotesExporter] Created Markdown with system Python: ").size(), 25u);
    EXPECT_EQ(trace.linesStartingWith("[NotesExporter] Created PDF with system Python weasyprint: ").size(), 25u);

    // A Python that makes only some files leaves the rest to the next way (here the commands, then RTF).
    test::writeScript(dir / "python3", "tr '\\000' '\\n' < \"$3\" | sed -n 2p | xargs -I{} sh -c 'echo made > \"{}\"'");
    fs::remove_all(dir / "pdf");
    FormatConverter(tools, {}, 1).convertFormats(dir.str(), {ExportFormat::html, ExportFormat::pdf}, std::nullopt, {});
    EXPECT_EQ(*readFile(dir / "pdf" / "Note 00.pdf"), "made\n");
    EXPECT_TRUE(fs::exists(dir / "pdf" / "Note 24.rtf"));
    EXPECT_FALSE(fs::exists(dir / "pdf" / "Note 24.pdf"));
}

TEST(FormatConverter, BatchesOfTenLimitsAndProgress)
{
    test::TempDir dir;
    writeNotes(dir.path(), 25);
    FormatConverter converter(test::noTools());
    {
        ProgressLog progress;
        test::TraceCapture trace;
        // Without html among the formats the notes are read from the output folder itself.
        EXPECT_EQ(converter.convertFormats(dir.str(), {ExportFormat::txt}, std::nullopt, progress.handler()), 25);
        ASSERT_EQ(progress.reports.size(), 3u);
        const double expectedFractions[] = {0.96 + 0.03 * 10 / 25, 0.96 + 0.03 * 20 / 25, 0.96 + 0.03 * 25 / 25};
        const char* expectedTexts[] = {"Converting formats... (10/25)", "Converting formats... (20/25)",
                                       "Converting formats... (25/25)"};
        for (int i = 0; i < 3; ++i) {
            EXPECT_DOUBLE_EQ(progress.reports[i].fraction, expectedFractions[i]);
            EXPECT_EQ(progress.reports[i].message, expectedTexts[i]);
        }
        EXPECT_TRUE(trace.linesStartingWith("[NotesExporter] Test mode").empty());
        EXPECT_EQ(test::filesBelow(dir / "txt").size(), 25u);
    }
    {
        ProgressLog progress;
        test::TraceCapture trace;
        fs::remove_all(dir / "txt");
        EXPECT_EQ(converter.convertFormats(dir.str(), {ExportFormat::txt}, 3, progress.handler()), 3);
        ASSERT_EQ(progress.reports.size(), 1u);
        EXPECT_DOUBLE_EQ(progress.reports[0].fraction, 0.99);
        EXPECT_EQ(progress.reports[0].message, "Converting formats... (3/3)");
        EXPECT_TRUE(trace.contains("[NotesExporter] Test mode: converting only first 3 files"));
        EXPECT_EQ(test::filesBelow(dir / "txt"),
                  (std::vector<std::string>{"Note 00.txt", "Note 01.txt", "Note 02.txt"}));
    }
    {
        test::TraceCapture trace;
        EXPECT_EQ(converter.convertFormats(dir.str(), {ExportFormat::txt}, 0, {}), 1);
        EXPECT_TRUE(trace.contains("[NotesExporter] Test mode: converting only first 0 files"));
        EXPECT_EQ(converter.convertFormats(dir.str(), {ExportFormat::txt}, 30, {}), 25);
    }
    test::TempDir empty;
    ProgressLog none;
    EXPECT_EQ(converter.convertFormats(empty.str(), {ExportFormat::markdown, ExportFormat::json}, std::nullopt,
                                       none.handler()),
              0);
    EXPECT_TRUE(none.reports.empty());
    EXPECT_TRUE(fs::is_directory(empty / "markdown"));
    EXPECT_TRUE(fs::is_directory(empty / "json"));
}

TEST(FormatConverter, AFormatFolderThatCannotBeCreatedIsThrown)
{
    test::TempDir dir;
    writeNotes(dir / "html", 2);
    ASSERT_TRUE(writeFile(dir / "txt", "a file where the folder should go"));
    FormatConverter converter(test::noTools());
    EXPECT_THROW(converter.convertFormats(dir.str(), {ExportFormat::html, ExportFormat::txt}, std::nullopt, {}),
                 FileSystemError);
}

TEST(FormatConverter, AFullDiskEndsTheConversionWithItsErrorAndNoHalfFile)
{
    test::TempDir dir;
    const fs::path html = dir / "html";
    fs::create_directories(html / "Big_files");
    const std::string body(6000, 'x');
    for (int i = 0; i < 30; ++i)
        ASSERT_TRUE(writeFile(html / ("Note " + std::to_string(i) + ".html"), "<p>" + body + "</p>"));
    ASSERT_TRUE(writeFile(html / "Big.html", "<p>big</p>"));
    ASSERT_TRUE(writeFile(html / "Big_files/photo.png", std::string(20000, 'p')));
    ASSERT_TRUE(
        TextutilConverter::convert((html / "Note 0.html").string(), (dir / "whole.txt").string(), TextutilFormat::txt));
    const std::string whole = *readFile(dir / "whole.txt");
    for (const ExportFormat format : {ExportFormat::txt, ExportFormat::markdown, ExportFormat::pdf}) {
        SCOPED_TRACE(FormatConverter::folderName(format));
        const fs::path out = dir / ("out-" + FormatConverter::folderName(format));
        test::SmallDisk disk(out, "64k");
        if (!disk.mounted())
            GTEST_SKIP() << disk.failure();
        test::TraceCapture trace;
        FormatConverter converter(test::noTools());
        try {
            converter.convertFolder(html.string(), out.string(), {format}, std::nullopt, {},
                                    SourceHtml::leaveUntouched);
            FAIL() << "expected a full disk";
        } catch (const Error& error) {
            EXPECT_EQ(error.kind(), ErrorKind::diskFull) << error.description();
            EXPECT_NE(error.description().find(out.string()), std::string::npos) << error.description();
        }
        for (const std::string& file : test::filesBelow(out)) {
            EXPECT_EQ(file.find(".partial-"), std::string::npos) << file;
            EXPECT_EQ(file.find(".tmp"), std::string::npos) << file;
            if (fs::path(file).extension() == ".txt" && file.rfind("Note ", 0) == 0) {
                EXPECT_EQ(*readFile(out / file), whole) << file;
            }
        }
    }
}

TEST(FormatConverter, AStopEndsTheConversionBetweenBatches)
{
    test::TempDir dir;
    writeNotes(dir.path(), 25);
    std::stop_source stop;
    FormatConverter converter(test::noTools(), stop.get_token());
    test::TraceCapture trace;
    const int processed = converter.convertFormats(dir.str(), {ExportFormat::rtf}, std::nullopt,
                                                   [&](double, const std::string&) { stop.request_stop(); });
    EXPECT_EQ(processed, 10);
    EXPECT_TRUE(trace.contains("[NotesExporter] Conversion stopped after 10 of 25 files"));
    EXPECT_EQ(test::filesBelow(dir / "rtf").size(), 10u);
}

TEST(FormatConverter, BadInputConvertsToWhatCanBeReadWithoutCrashOrHang)
{
    test::TempDir dir;
    const fs::path html = dir / "html";
    fs::create_directories(html);
    const char nul[] = "<p>before\0after</p>";
    ASSERT_TRUE(writeFile(html / "nul.html", std::string_view(nul, sizeof nul - 1)));
    ASSERT_TRUE(writeFile(html / "invalid.html", "<p>caf\xe9 \xff\xfe ok</p>"));
    ASSERT_TRUE(writeFile(html / "unclosed.html", "<div><b><i>unclosed <ul><li>item</div></div></div><p>end"));
    std::string deep;
    for (int i = 0; i < 10000; ++i)
        deep += "<div><span>";
    ASSERT_TRUE(writeFile(html / "deep.html", deep + "bottom"));
    std::string large;
    const std::string line = "<div>Line with ñ, 日本 and <b>bold</b> and <a href=\"https://e.org\">a link</a></div>\n";
    while (large.size() < 50u * 1024 * 1024)
        large += line;
    ASSERT_TRUE(writeFile(html / "large.html", large));
    large.clear();

    FormatConverter converter(test::noTools());
    EXPECT_EQ(converter.convertFormats(
                  dir.str(), {ExportFormat::html, ExportFormat::txt, ExportFormat::rtf, ExportFormat::markdown},
                  std::nullopt, {}),
              5);
    EXPECT_EQ(*readFile(dir / "txt" / "nul.txt"), "beforeafter\n");
    EXPECT_EQ(*readFile(dir / "txt" / "invalid.txt"), "caf\uFFFD \uFFFD\uFFFD ok\n");
    EXPECT_EQ(*readFile(dir / "txt" / "unclosed.txt"), "unclosed\n• item\n\nend\n");
    EXPECT_EQ(*readFile(dir / "txt" / "deep.txt"), "bottom\n");
    EXPECT_EQ(*readFile(dir / "markdown" / "invalid.md"), "caf\uFFFD \uFFFD\uFFFD ok");
    const auto largeText = readFile(dir / "txt" / "large.txt");
    ASSERT_TRUE(largeText);
    const std::string firstLine = "Line with ñ, 日本 and bold and a link\n";
    EXPECT_EQ(largeText->substr(0, firstLine.size()), firstLine);
    EXPECT_GT(fs::file_size(dir / "rtf" / "large.rtf"), 40u * 1024 * 1024);
    EXPECT_GT(fs::file_size(dir / "markdown" / "large.md"), 30u * 1024 * 1024);
}

TEST(FormatConverter, RealToolsMakePdfsAndMarkdown)
{
    if (!fs::exists("/usr/bin/weasyprint"))
        GTEST_SKIP() << "weasyprint is not installed (Debian package weasyprint)";
    test::TempDir dir;
    writeNotes(dir / "html" / "Folder", 2);
    FormatConverter converter;
    EXPECT_EQ(converter.convertFormats(dir.str(), {ExportFormat::html, ExportFormat::pdf, ExportFormat::markdown},
                                       std::nullopt, {}),
              2);
    for (const std::string name : {"Note 00", "Note 01"}) {
        const auto pdf = readFile(dir / "pdf" / "Folder" / (name + ".pdf"));
        ASSERT_TRUE(pdf) << name;
        EXPECT_EQ(pdf->substr(0, 5), "%PDF-");
        const auto markdown = readFile(dir / "markdown" / "Folder" / (name + ".md"));
        ASSERT_TRUE(markdown);
        EXPECT_NE(markdown->find("# Note " + name.substr(6) + "\n\nBody ñ"), std::string::npos) << *markdown;
    }
}

} // namespace
} // namespace varnholt
