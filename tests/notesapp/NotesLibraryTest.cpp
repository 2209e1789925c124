#include "sources/notesapp/NotesLibrary.h"
#include "export/notesstandard/NotePagesWriter.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "sample-home/NotesSample.h"
#include "sources/MacHomeSource.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>

using namespace varnholt;
namespace fs = std::filesystem;

TEST(NotesLibrary, SampleHomeWritesEveryShownNoteInTheAppsOrder)
{
    test::TempDir dir;
    sample::buildNotes(dir / "home", {});
    auto library = notesapp::NotesLibrary::open(MacHomeSource((dir / "home").string()));
    const std::size_t count = library.noteCount();
    const std::vector<notesdb::Note> notes = library.readAll();
    ASSERT_FALSE(notes.empty());
    ASSERT_EQ(notes.size(), count);
    for (std::size_t i = 0; i < notes.size(); ++i) {
        EXPECT_FALSE(notes[i].isDeleted);
        if (i > 0) {
            EXPECT_LE(library.location(notes[i - 1]), library.location(notes[i])) << "account, then folder";
        }
    }
    EXPECT_TRUE(library.readAll().empty()) << "each note is read once";

    // One attachment's file cannot be read: its page names it without a link, and the others keep
    // the names they would have had.
    const fs::path travel = dir / "out/On My Mac/Reisen ✈️";
    std::string unreadable;
    for (const auto& note : notes)
        if (note.title == "Sketches and scans")
            for (const auto& attachment : note.attachments)
                if (const auto shown = attachment.shownFile();
                    shown && shown->find("FallbackPDF.pdf") != std::string::npos)
                    unreadable = *shown;
    ASSERT_FALSE(unreadable.empty());
    fs::remove(unreadable);
    fs::create_directories(unreadable);

    test::TraceCapture trace;
    notesapp::NotePagesWriter writer(dir / "out");
    for (const auto& note : notes)
        writer.write(library, note);
    EXPECT_EQ(writer.written(), static_cast<long long>(count));
    long long pages = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "out"))
        if (entry.path().extension() == ".html") {
            ++pages;
            EXPECT_TRUE(isWithin(dir / "out", entry.path()));
        }
    EXPECT_EQ(pages, writer.written()) << "notes with the same title keep a page each";

    // Drawings and scans show the images Notes rendered for them, copied beside the page; a scan
    // whose pages are lost stays a placeholder, named in the trace.
    const std::string sketches = *readFile(travel / "Sketches and scans.html");
    for (const char* shown : {"<img src=\"Sketches%20and%20scans_files/drawing.png\"",
                              "<img src=\"Sketches%20and%20scans_files/drawing%20%282%29.png\"",
                              "<img src=\"Sketches%20and%20scans_files/drawing%20%283%29.png\"",
                              "<img src=\"Sketches%20and%20scans_files/Receipt%20photo%201.png\" alt=\"Receipt photo "
                              "1.png\" style=\"max-width: "
                              "100%\"><br><img src=\"Sketches%20and%20scans_files/Receipt%20page%202.png\"",
                              "<div>[scan]</div>", "Filed under #Reisen for @Ada Byron."})
        EXPECT_NE(sketches.find(shown), std::string::npos) << shown << " in " << sketches;
    EXPECT_EQ(sketches.find("scan.pdf\">"), std::string::npos) << "no link to the file that could not be read";
    EXPECT_NE(sketches.find("A scanned letter:</div>\n<div>[scan]</div>"), std::string::npos) << sketches;
    for (const char* copy :
         {"drawing.png", "drawing (2).png", "drawing (3).png", "Receipt photo 1.png", "Receipt page 2.png"})
        EXPECT_TRUE(fs::is_regular_file(travel / "Sketches and scans_files" / copy)) << copy;
    EXPECT_FALSE(fs::exists(travel / "Sketches and scans_files/scan.pdf"));
    EXPECT_TRUE(trace.contains("[NotesLibrary] \u26A0\uFE0F The scanned document in \u201cSketches and scans\u201d is "
                               "shown as a placeholder: the store keeps no file for it"));
    EXPECT_EQ(trace.linesStartingWith("[NotesLibrary] Could not copy attachment " + unreadable).size(), 1u);
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
    auto library = notesapp::NotesLibrary::open(MacHomeSource((dir / "home").string()));
    const auto notes = library.readAll();
    ASSERT_FALSE(notes.empty());
    for (const auto& note : notes) {
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
