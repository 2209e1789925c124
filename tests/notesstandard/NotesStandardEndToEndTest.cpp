#include "cli/CommandLine.h"
#include "platform/Files.h"
#include "sample-home/NotesSample.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>
#include <sstream>

using namespace varnholt;
namespace fs = std::filesystem;

namespace {

struct Export {
    int status;
    std::string err;
    std::vector<std::string> trace;
};

Export runNotes(const fs::path& home, std::vector<std::string> extra)
{
    std::vector<std::string> args{"varnholt", "--home", home.string(), "notes"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::ostringstream out, err;
    test::TraceCapture trace;
    const int status = cli::run(args, {out, err, false});
    return {status, err.str(), trace.lines()};
}

std::vector<fs::path> filesWithExtension(const fs::path& root, const std::string& extension)
{
    std::vector<fs::path> found;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(root, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        if (it->path().extension() == extension)
            found.push_back(it->path());
    return found;
}

bool traced(const Export& run, const std::string& line)
{
    return std::find(run.trace.begin(), run.trace.end(), line) != run.trace.end();
}

class NotesStandardEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { sample::buildNotes(dir / "home", {}); }
    test::TempDir dir;
};

} // namespace

TEST_F(NotesStandardEndToEnd, HtmlWithFormattingAndAttachmentsThenMarkdownAndDryRun)
{
    const fs::path out = dir / "out";
    const Export run = runNotes(dir / "home", {"--out", out.string(), "--format", "html,md"});
    ASSERT_EQ(run.status, 0) << run.err;
    const auto pages = filesWithExtension(out / "html", ".html");
    ASSERT_GE(pages.size(), 10u);
    EXPECT_TRUE(traced(run, "[Varnholt] Progress: 100% - Export complete! " + std::to_string(pages.size()) +
                                " notes exported"));
    // The formatting itself is the renderer's tests' affair.
    EXPECT_NE(readFile(out / "html/On My Mac/Notes/Formatting showcase.html")->find("<b>bold</b>"), std::string::npos);
    EXPECT_FALSE(filesWithExtension(out / "html", ".png").empty()) << "the image attachment is copied beside its note";
    EXPECT_EQ(filesWithExtension(out / "markdown", ".md").size(), pages.size());

    const Export dry = runNotes(dir / "home", {"--out", (dir / "dry").string(), "--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_TRUE(traced(dry, "[Varnholt] Summary: Total: " + std::to_string(pages.size()) + " notes in 1 accounts"));
    EXPECT_FALSE(fs::exists(dir / "dry"));
}

TEST_F(NotesStandardEndToEnd, LimitWithPdfConvertsFromTheHtmlFolder)
{
    const fs::path out = dir / "out";
    const Export run = runNotes(dir / "home", {"--out", out.string(), "--format", "html,pdf", "--limit", "2"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(traced(run, "[Varnholt] Test mode: limiting to 2 items"));
    EXPECT_TRUE(traced(run, "[Varnholt] Progress: 10% - Starting export of 2 notes (DEBUG MODE: limited to 2)..."));
    const auto pages = filesWithExtension(out / "html", ".html");
    EXPECT_GE(pages.size(), 2u);
    EXPECT_EQ(filesWithExtension(out / "pdf", ".pdf").size() + filesWithExtension(out / "pdf", ".rtf").size(), 2u);
}

TEST_F(NotesStandardEndToEnd, AHomeWithoutNotesIsRefusedWithLinuxAdvice)
{
    const Export run = runNotes(dir / "nowhere", {"--out", (dir / "out").string()});
    EXPECT_EQ(run.status, 2) << "a home that does not exist is bad usage";
    fs::create_directories(dir / "empty-home");
    const Export refused = runNotes(dir / "empty-home", {"--out", (dir / "out").string()});
    EXPECT_EQ(refused.status, 1);
    const std::string expected = "No Notes database at " + (dir / "empty-home").string() +
                                 "/Library/Group Containers/group.com.apple.notes/NoteStore.sqlite. Point the source "
                                 "folder (--source) at a Mac home folder or iPhone backup that holds Notes.";
    EXPECT_NE(refused.err.find(expected), std::string::npos) << refused.err;
    EXPECT_EQ(refused.err.find("Export failed: Export failed"), std::string::npos) << refused.err;
    EXPECT_TRUE(traced(refused, "[Varnholt] \u26A0\uFE0F Permission Issue: " + expected));
}
