#include "sources/notesapp/NotesLibrary.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "render/notes/NotesHtmlWriter.h"
#include "sample-home/NotesSample.h"
#include "sources/MacHomeSource.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

using namespace varnholt;
namespace fs = std::filesystem;

TEST(NotesLibrary, SampleHomeRendersEveryShownNote)
{
    test::TempDir dir;
    sample::buildNotes(dir / "home", {});
    const auto library = notesapp::NotesLibrary::open(MacHomeSource((dir / "home").string()));
    ASSERT_FALSE(library.notes().empty());
    for (const auto& note : library.notes())
        EXPECT_FALSE(note.isDeleted);

    std::atomic<bool> stop{false};
    test::TraceCapture trace;
    notesapp::NotesHtmlWriter writer(library, dir / "out");
    const auto result = writer.writeAll(std::nullopt, stop);
    EXPECT_EQ(result.written, static_cast<long long>(library.notes().size()));
    EXPECT_EQ(result.failed, 0);
    long long pages = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "out"))
        if (entry.path().extension() == ".html") {
            ++pages;
            EXPECT_TRUE(isWithin(dir / "out", entry.path()));
        }
    EXPECT_EQ(pages, result.written) << "notes with the same title keep a page each";

    // Drawings and scans show the images Notes rendered for them, copied beside the page; a scan
    // whose pages are lost stays a placeholder, named in the trace.
    const fs::path travel = dir / "out/On My Mac/Reisen ✈️";
    const std::string sketches = *readFile(travel / "Sketches and scans.html");
    for (const char* shown : {"<img src=\"Sketches%20and%20scans_files/drawing.png\"",
                              "<img src=\"Sketches%20and%20scans_files/drawing%20%282%29.png\"",
                              "<img src=\"Sketches%20and%20scans_files/drawing%20%283%29.png\"",
                              "<img src=\"Sketches%20and%20scans_files/Receipt%20photo%201.png\" alt=\"Receipt photo "
                              "1.png\" style=\"max-width: "
                              "100%\"><br><img src=\"Sketches%20and%20scans_files/Receipt%20page%202.png\"",
                              "<a href=\"Sketches%20and%20scans_files/scan.pdf\">scan.pdf</a>", "<div>[scan]</div>",
                              "Filed under #Reisen for @Ada Byron."})
        EXPECT_NE(sketches.find(shown), std::string::npos) << shown << " in " << sketches;
    for (const char* copy :
         {"drawing.png", "drawing (2).png", "drawing (3).png", "Receipt photo 1.png", "Receipt page 2.png", "scan.pdf"})
        EXPECT_TRUE(fs::is_regular_file(travel / "Sketches and scans_files" / copy)) << copy;
    EXPECT_TRUE(trace.contains("[NotesLibrary] \u26A0\uFE0F The scanned document in \u201cSketches and scans\u201d is "
                               "shown as a placeholder: the store keeps no file for it"));

    auto limited = notesapp::NotesHtmlWriter(library, dir / "limited").writeAll(2, stop);
    EXPECT_EQ(limited.written, 2);
    stop = true;
    EXPECT_EQ(notesapp::NotesHtmlWriter(library, dir / "stopped").writeAll(std::nullopt, stop).written, 0);
}

TEST(NotesLibrary, FolderLoopsEndTheWalk)
{
    test::TempDir dir;
    sample::buildNotes(dir / "home", {});
    {
        auto db =
            Database::open((dir / "home/Library/Group Containers/group.com.apple.notes/NoteStore.sqlite").string(),
                           Database::Mode::ReadWriteCreate);
        ASSERT_TRUE(db);
        ASSERT_TRUE(db->exec("UPDATE ZICCLOUDSYNCINGOBJECT SET ZPARENT = Z_PK WHERE Z_ENT = "
                             "(SELECT Z_ENT FROM Z_PRIMARYKEY WHERE Z_NAME = 'ICFolder')"));
    }
    const auto library = notesapp::NotesLibrary::open(MacHomeSource((dir / "home").string()));
    ASSERT_FALSE(library.notes().empty());
    for (const auto& note : library.notes()) {
        const auto location = library.location(note);
        EXPECT_GE(location.size(), 2u);
        EXPECT_LE(location.size(), 3u);
    }
}

TEST(NotesLibrary, MissingOrUnreadableStoreIsAnError)
{
    test::TempDir dir;
    EXPECT_THROW(notesapp::NotesLibrary::open(MacHomeSource((dir / "nobody").string())), Error);
    sample::buildNotes(dir / "home", {});
    EXPECT_THROW(
        notesapp::NotesLibrary::open(MacHomeSource((dir / "home").string()), [](const std::string&) { return false; }),
        Error);
}
