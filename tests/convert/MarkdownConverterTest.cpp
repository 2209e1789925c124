#include "convert/MarkdownConverter.h"
#include "FakeTools.h"
#include "platform/Files.h"
#include "platform/ProcessRunner.h"
#include "support/ScopedEnvironment.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

namespace varnholt {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// A stand-in interpreter that records its script, the HTML it was handed and its environment
// into the first output named in its list of files ($3); with a `status` other than 0 it only exits.
void writeRecordingPython(const fs::path& path, int status)
{
    if (status != 0)
        return test::writeScript(path, "exit " + std::to_string(status));
    test::writeScript(path,
                      "src=$(tr '\\000' '\\n' < \"$3\" | sed -n 1p); out=$(tr '\\000' '\\n' < \"$3\" | sed -n 2p); "
                      "{ echo \"$1\"; echo \"$2\" | head -c 4000; echo \"SOURCE $(cat \"$src\")\"; "
                      "echo \"ENV $PYTHONHOME|$PYTHONPATH|$PATH\"; } > \"$out\"");
}

bool systemPythonHasHtml2text()
{
    ProcessSpec spec;
    spec.executable = "/usr/bin/python3";
    spec.arguments = {"-c", "import html2text"};
    spec.timeLimit = 30s;
    auto result = ProcessRunner::run(spec);
    return result && result->succeeded();
}

TEST(MarkdownConverter, BundledThenTheUsersOwnPythonsWithTheirScriptsAndEnvironments)
{
    test::TempDir dir;
    // The user's own Pythons: the environment they activated, then ~/.local; never another machine's.
    const test::ScopedEnvironment home("HOME", (dir / "home").string());
    const test::ScopedEnvironment activated("VIRTUAL_ENV", (dir / "venv").string());
    ConversionTools tools = ConversionTools::standard();
    EXPECT_EQ(tools.userPythons, (std::vector<std::string>{(dir / "venv/bin/python3").string(),
                                                           (dir / "home/.local/bin/python3").string()}));
    EXPECT_EQ(tools.userWeasyprints, (std::vector<std::string>{(dir / "venv/bin/weasyprint").string(),
                                                               (dir / "home/.local/bin/weasyprint").string()}));
    tools.systemPythons.clear();
    tools.resourceFolder = (dir / "Resources").string();
    writeRecordingPython(tools.bundledPython(), 0);
    const fs::path html = dir / "Note.html";
    ASSERT_TRUE(writeFile(html, "<p>x</p>"));
    const fs::path markdown = dir / "Note.md";
    {
        test::TraceCapture trace;
        EXPECT_TRUE(MarkdownConverter(tools, {}).convert(html.string(), markdown.string()));
        EXPECT_EQ(trace.lines(), std::vector<std::string>{"[NotesExporter] Created Markdown with bundled Python: " +
                                                          markdown.string()});
    }
    const std::string bundled = *readFile(markdown);
    EXPECT_EQ(bundled.substr(0, 3), "-c\n");
    EXPECT_NE(bundled.find("html2text not available in bundled environment"), std::string::npos);
    EXPECT_NE(bundled.find("SOURCE <p>x</p>"), std::string::npos) << bundled;
    EXPECT_NE(bundled.find("ENV " + tools.resourceFolder + "/python-weasyprint|"), std::string::npos);

    // Without the bundled one, the activated environment's Python (here absent) gives way to ~/.local's,
    // which runs as the user started Varnholt and is not asked to install anything.
    writeRecordingPython(tools.bundledPython(), 1);
    writeRecordingPython(dir / "home/.local/bin/python3", 0);
    fs::remove(markdown);
    const test::ScopedEnvironment path("PATH", "/usr/bin:/bin:" + (dir / "home/.local/bin").string());
    test::TraceCapture trace;
    EXPECT_TRUE(MarkdownConverter(tools, {}).convert(html.string(), markdown.string()));
    EXPECT_EQ(trace.lines(),
              (std::vector<std::string>{"[NotesExporter] bundled Python markdown conversion exit code: 1",
                                        "[NotesExporter] Created Markdown with user Python: " + markdown.string()}));
    const std::string user = *readFile(markdown);
    EXPECT_NE(user.find("print(\"html2text not available\")"), std::string::npos);
    EXPECT_EQ(user.find("pip"), std::string::npos) << user;
    EXPECT_NE(user.find("|/usr/bin:/bin:" + (dir / "home/.local/bin").string() + "\n"), std::string::npos) << user;
}

TEST(MarkdownConverter, SystemPythonsThatFailFallThroughToThePatternConversion)
{
    test::TempDir dir;
    ConversionTools tools = test::noTools();
    const fs::path broken = dir / "broken-python";
    ASSERT_TRUE(writeFile(broken, "not a program"));
    test::writeScript(dir / "failing-python", "exit 1");
    tools.systemPythons = {(dir / "absent").string(), broken.string(), (dir / "failing-python").string()};
    const fs::path html = dir / "Note.html";
    ASSERT_TRUE(writeFile(html, "<h1>Title</h1><p>Hello <b>you</b></p>"));
    const fs::path markdown = dir / "Note.md";
    test::TraceCapture trace;
    EXPECT_TRUE(MarkdownConverter(tools, {}).convert(html.string(), markdown.string()));
    const auto lines = trace.lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rfind("[NotesExporter] System Python markdown conversion failed: Could not start", 0), 0u);
    EXPECT_EQ(lines[1], "[NotesExporter] No Python with html2text found, using simple HTML stripping fallback");
    EXPECT_EQ(lines[2], "[NotesExporter] Created Markdown with simple conversion: " + markdown.string());
    EXPECT_EQ(*readFile(markdown), "# Title\n\nHello **you**");

    test::TraceCapture missing;
    EXPECT_TRUE(
        MarkdownConverter(test::noTools(), {}).convert((dir / "gone.html").string(), (dir / "gone.md").string()));
    EXPECT_TRUE(missing.contains("[NotesExporter] Could not read HTML file: " + (dir / "gone.html").string()));
    EXPECT_FALSE(fs::exists(dir / "gone.md"));
}

TEST(MarkdownConverter, APythonThatCannotInstallOrHangsNeverHoldsUpTheConversion)
{
    if (!fs::exists("/usr/bin/python3"))
        GTEST_SKIP() << "/usr/bin/python3 is not installed";
    test::TempDir dir;
    ConversionTools tools = test::noTools();
    // A real Python without html2text (site packages off): it tries to install and must fail at once.
    test::writeScript(dir / "bare-python", "exec /usr/bin/python3 -S \"$@\"");
    tools.systemPythons = {(dir / "bare-python").string()};
    tools.markdownTimeLimit = 60s;
    const fs::path html = dir / "Note.html";
    ASSERT_TRUE(writeFile(html, "<p>kept</p>"));
    {
        test::TraceCapture trace;
        EXPECT_TRUE(MarkdownConverter(tools, {}).convert(html.string(), (dir / "Note.md").string()));
        EXPECT_EQ(*readFile(dir / "Note.md"), "kept");
        EXPECT_TRUE(trace.linesStartingWith("[NotesExporter] \u26a0\ufe0f ").empty()) << "it failed by itself";
    }

    test::writeScript(dir / "hanging-python", "exec sleep 600");
    tools.systemPythons = {(dir / "hanging-python").string()};
    tools.markdownTimeLimit = 100ms;
    test::TraceCapture trace;
    EXPECT_TRUE(MarkdownConverter(tools, {}).convert(html.string(), (dir / "Again.md").string()));
    EXPECT_EQ(*readFile(dir / "Again.md"), "kept");
    const auto warnings = trace.linesStartingWith("[NotesExporter] \u26a0\ufe0f ");
    ASSERT_EQ(warnings.size(), 1u);
    EXPECT_NE(warnings[0].find("hanging-python ran longer than"), std::string::npos) << warnings[0];
}

TEST(MarkdownConverter, RealHtml2textKeepsStructureAndEveryCharacter)
{
    if (!systemPythonHasHtml2text())
        GTEST_SKIP() << "/usr/bin/python3 has no html2text (Debian package python3-html2text)";
    test::TempDir dir;
    const fs::path html = dir / "Ünïcode note.html";
    ASSERT_TRUE(writeFile(html, "<h1>Title</h1><p>Hello <b>world</b> <a href=\"https://example.org/\">link</a> "
                                "日本語 مرحبا 😀</p><ul><li>one</li></ul>"));
    const fs::path markdown = dir / "Ünïcode note.md";
    test::TraceCapture trace;
    EXPECT_TRUE(MarkdownConverter(ConversionTools::standard(), {}).convert(html.string(), markdown.string()));
    EXPECT_TRUE(trace.contains("[NotesExporter] Created Markdown with system Python: " + markdown.string()));
    const std::string text = *readFile(markdown);
    for (const char* expected : {"# Title", "**world**", "[link](https://example.org/)", "日本語 مرحبا 😀", "  * one"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << " in " << text;

    // A note as the export writes it: check boxes, blank lines and a table whose cell holds a "|".
    ASSERT_TRUE(writeFile(dir / "Note.html",
                          "<div><h1>List</h1></div>\n<div><br></div>\n<div><br></div>\n"
                          "<ul class=\"checklist\">\n<li><input type=\"checkbox\" disabled> Open</li>\n"
                          "<li><input type=\"checkbox\" disabled checked> Done</li></ul>\n"
                          "<div><br></div>\n<div><table>\n<tr>\n<td>a|b</td>\n<td>c</td>\n</tr>\n"
                          "<tr>\n<td>d</td>\n<td>e<br>f</td>\n</tr>\n</table></div>\n"
                          "<div><br></div>\n<div><br></div>\n<div>end</div>\n"));
    EXPECT_TRUE(MarkdownConverter(ConversionTools::standard(), {})
                    .convert((dir / "Note.html").string(), (dir / "Note.md").string()));
    const std::string note = *readFile(dir / "Note.md");
    EXPECT_EQ(note.find("\n\n\n"), std::string::npos) << note;
    for (const char* expected : {"# List\n\n", "  - [ ] Open\n  - [x] Done\n", "a\\|b | c", "d | e<br>f", "\n\nend\n"})
        EXPECT_NE(note.find(expected), std::string::npos) << expected << " in " << note;
}

} // namespace
} // namespace varnholt
