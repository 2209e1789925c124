#include "convert/PdfConverter.h"
#include "FakeTools.h"
#include "platform/Files.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace varnholt {
namespace {

namespace fs = std::filesystem;

ino_t inode(const fs::path& path)
{
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_ino;
}

TEST(PdfCharsetFix, AddsAUtf8DeclarationOnlyWhereNoneIsNamed)
{
    EXPECT_EQ(PdfConverter::withCharset("<html><head><title>T</title></head><body>x</body></html>"),
              "<html><head><meta charset=\"UTF-8\">\n<title>T</title></head><body>x</body></html>");
    EXPECT_EQ(PdfConverter::withCharset("<p>no head</p>"), "<head>\n<meta charset=\"UTF-8\">\n</head>\n<p>no head</p>");
    // The head is found as written in lower case only.
    EXPECT_EQ(PdfConverter::withCharset("<HEAD></HEAD>x"), "<head>\n<meta charset=\"UTF-8\">\n</head>\n<HEAD></HEAD>x");
    EXPECT_EQ(PdfConverter::withCharset("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\">"),
              std::nullopt);
}

TEST(PdfCharsetFix, RewritesTheExportsHtmlOnlyWhenItChangesAndNeverTheUsersOwn)
{
    test::TempDir dir;
    const ConversionTools tools = test::noTools();
    const fs::path needsFix = dir / "needs.html";
    const fs::path declared = dir / "declared.html";
    const fs::path invalid = dir / "invalid.html";
    ASSERT_TRUE(writeFile(needsFix, "<p>Grüße</p>"));
    ASSERT_TRUE(writeFile(declared, "<head><meta charset=\"utf-8\"></head><p>x</p>"));
    ASSERT_TRUE(writeFile(invalid, "<p>caf\xe9</p>"));
    const ino_t declaredInode = inode(declared);
    test::TraceCapture trace;

    PdfConverter converter(tools, {}, SourceHtml::fixCharsetInPlace);
    for (const auto& file : {needsFix, declared, invalid})
        EXPECT_TRUE(converter.convert(file.string(), (dir / (file.stem().string() + ".pdf")).string()));
    EXPECT_EQ(*readFile(needsFix), "<head>\n<meta charset=\"UTF-8\">\n</head>\n<p>Grüße</p>");
    EXPECT_EQ(inode(declared), declaredInode) << "a file needing no change is not rewritten";
    EXPECT_EQ(*readFile(invalid), "<p>caf\xe9</p>");

    const fs::path users = dir / "users.html";
    ASSERT_TRUE(writeFile(users, "<p>mine</p>"));
    EXPECT_TRUE(
        PdfConverter(tools, {}, SourceHtml::leaveUntouched).convert(users.string(), (dir / "users.pdf").string()));
    EXPECT_EQ(*readFile(users), "<p>mine</p>");
}

TEST(PdfConverter, WithoutWeasyprintAnRtfTakesThePdfsPlace)
{
    test::TempDir dir;
    // ".pdf" inside a folder name must survive: only the extension changes.
    const fs::path folder = dir / "Scans.pdf" / "pdf";
    fs::create_directories(folder);
    const fs::path html = dir / "Note.html";
    ASSERT_TRUE(writeFile(html, "<p>Hello 😀</p>"));
    test::TraceCapture trace;
    EXPECT_TRUE(PdfConverter(test::noTools(), {}, SourceHtml::fixCharsetInPlace)
                    .convert(html.string(), (folder / "Note.pdf").string()));

    EXPECT_FALSE(fs::exists(folder / "Note.pdf"));
    EXPECT_TRUE(fs::exists(folder / "Note.rtf"));
    EXPECT_NE(readFile(folder / "Note.rtf")->find("\\u-10179?\\u-8704?"), std::string::npos);
    EXPECT_EQ(trace.lines(), (std::vector<std::string>{"[NotesExporter] Note: PDF conversion requires weasyprint. "
                                                       "Created RTF fallback: " +
                                                       (folder / "Note.rtf").string()}));
    EXPECT_EQ(PdfConverter::rtfFallbackPath("/out/a.pdf.pdf"), "/out/a.pdf.rtf");
}

TEST(PdfConverter, CandidatesAreTriedInOrderWithTheirArgumentsAndEnvironments)
{
    test::TempDir dir;
    ConversionTools tools = test::noTools();
    tools.resourceFolder = (dir / "Resources").string();
    // The bundled interpreter runs the bundled script; it records what it was given.
    test::writeScript(tools.bundledPython(), "echo \"$PYTHONHOME|$PYTHONPATH|$PATH|$*\" > \"$5\"");
    test::writeScript(tools.bundledWeasyprint(), "exit 99");
    const fs::path html = dir / "Note.html";
    ASSERT_TRUE(writeFile(html, "<head><meta charset=\"utf-8\"></head>x"));
    const fs::path pdf = dir / "Note.pdf";
    {
        test::TraceCapture trace;
        EXPECT_TRUE(PdfConverter(tools, {}, SourceHtml::fixCharsetInPlace).convert(html.string(), pdf.string()));
        EXPECT_EQ(trace.lines(),
                  std::vector<std::string>{"[NotesExporter] Created PDF with bundled weasyprint: " + pdf.string()});
    }
    const std::string resources = tools.resourceFolder;
    const std::string recorded = *readFile(pdf);
    EXPECT_EQ(recorded.substr(0, recorded.find('|', recorded.find('|', recorded.find('|') + 1) + 1)),
              resources + "/python-weasyprint|" + resources + "/python-weasyprint/lib/python3.13/site-packages|" +
                  resources + "/python-weasyprint/bin:/usr/local/bin:/usr/bin:/bin");
    EXPECT_NE(recorded.find("|" + tools.bundledWeasyprint() + " --encoding utf-8 " + html.string() + " "),
              std::string::npos)
        << recorded;

    // Now the bundled one fails; the system list holds one that cannot start,
    // one that exits 0 but writes nothing, and one that works.
    test::writeScript(tools.bundledPython(), "exit 3");
    const fs::path notExecutable = dir / "bin" / "broken";
    fs::create_directories(notExecutable.parent_path());
    ASSERT_TRUE(writeFile(notExecutable, "not a program"));
    test::writeScript(dir / "bin" / "silent", "exit 0");
    test::writeScript(dir / "bin" / "working",
                      "[ \"$1 $2 $3\" = \"--encoding utf-8 " + html.string() + "\" ] && echo '%PDF-1.7' > \"$4\"");
    tools.systemWeasyprints = {(dir / "bin" / "missing").string(), notExecutable.string(),
                               (dir / "bin" / "silent").string(), (dir / "bin" / "working").string()};
    fs::remove(pdf);
    test::TraceCapture trace;
    EXPECT_TRUE(PdfConverter(tools, {}, SourceHtml::fixCharsetInPlace).convert(html.string(), pdf.string()));
    const auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "[NotesExporter] bundled weasyprint exit code: 3");
    EXPECT_EQ(lines[1].rfind("[NotesExporter] System weasyprint failed: Could not start", 0), 0u) << lines[1];
    EXPECT_EQ(lines[2], "[NotesExporter] Created PDF with system weasyprint: " + pdf.string());
    EXPECT_EQ(*readFile(pdf), "%PDF-1.7\n");
    // Only the finished file is left: no temporary names.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.path()))
        ++files;
    EXPECT_EQ(files, 4); // Resources, Note.html, Note.pdf, bin
}

TEST(PdfConverter, RealWeasyprintMakesARealPdf)
{
    const ConversionTools tools = ConversionTools::standard();
    if (!fs::exists("/usr/bin/weasyprint"))
        GTEST_SKIP() << "weasyprint is not installed (Debian package weasyprint)";
    test::TempDir dir;
    const fs::path html = dir / "Grüße 日本.html";
    ASSERT_TRUE(writeFile(html, "<h1>Grüße</h1><p>日本語 and <b>bold</b></p>"));
    const fs::path pdf = dir / "Grüße 日本.pdf";
    test::TraceCapture trace;
    EXPECT_TRUE(PdfConverter(tools, {}, SourceHtml::fixCharsetInPlace).convert(html.string(), pdf.string()));
    EXPECT_TRUE(trace.contains("[NotesExporter] Created PDF with system weasyprint: " + pdf.string()));
    const auto bytes = readFile(pdf);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->substr(0, 5), "%PDF-");
}

} // namespace
} // namespace varnholt
