#include "sources/notesapp/NotesLibrary.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "render/notes/NotesHtmlWriter.h"
#include "sample-home/NotesSample.h"
#include "sources/MacHomeSource.h"
#include "support/RealData.h"
#include "support/TempDir.h"

#include <fstream>
#include <gtest/gtest.h>
#include <regex>
#include <sstream>

using namespace varnholt;
namespace fs = std::filesystem;

namespace {

// The text a reader sees in a rendered page: tags dropped, entities decoded, blanks collapsed,
// attachments (which the answer key shows as U+FFFC) left out.
std::string visibleText(std::string html)
{
    html = html.substr(html.find("<body>"));
    // Tables are compared cell by cell, apart from the text (which shows them as U+FFFC).
    html = std::regex_replace(html, std::regex("<table[\\s\\S]*?</table>"), " ");
    html =
        std::regex_replace(html, std::regex("<a href=\"[^\"]*_files/[^\"]*\">[^<]*</a>|<img[^>]*>|\\[Table\\]"), " ");
    html = std::regex_replace(html, std::regex("<[^>]+>"), " ");
    // Hashtags, which Notes' own output leaves out, and attachments whose file is not in the store copy.
    html = std::regex_replace(html, std::regex("#\\w+|\\[[^\\]]*\\]"), " ");
    for (const auto& [entity, character] : std::vector<std::pair<std::string, std::string>>{
             {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}})
        html = std::regex_replace(html, std::regex(entity), character);
    html = std::regex_replace(html, std::regex("\xEF\xBF\xBC"), " ");
    html = std::regex_replace(html, std::regex("\\s+"), " ");
    return std::regex_replace(html, std::regex("^ | $"), "");
}

struct ExpectedNote {
    std::string name;
    bool locked = false;
    std::string plaintext;
    std::string body;
};

// The cells of every table in a page, row by row, their tags dropped.
std::vector<std::vector<std::vector<std::string>>> tableCells(const std::string& html)
{
    std::vector<std::vector<std::vector<std::string>>> tables;
    const std::regex table("<table[^>]*>([\\s\\S]*?)</table>"), row("<tr>([\\s\\S]*?)</tr>"),
        cell("<td[^>]*>([\\s\\S]*?)</td>"), noise("<[^>]+>|\\n");
    const std::sregex_iterator end;
    for (std::sregex_iterator t(html.begin(), html.end(), table); t != end; ++t) {
        auto& rows = tables.emplace_back();
        const std::string inner = (*t)[1];
        for (std::sregex_iterator r(inner.begin(), inner.end(), row); r != end; ++r) {
            auto& cells = rows.emplace_back();
            const std::string content = (*r)[1];
            for (std::sregex_iterator c(content.begin(), content.end(), cell); c != end; ++c)
                cells.push_back(std::regex_replace((*c)[1].str(), noise, ""));
        }
    }
    return tables;
}

// Parses the expected output that Notes itself wrote for each note.
std::vector<ExpectedNote> readAnswerKey(const fs::path& file)
{
    std::ifstream in(file);
    std::vector<ExpectedNote> notes;
    std::string line;
    bool inText = false;
    while (std::getline(in, line)) {
        if (line.rfind("note.id=", 0) == 0) {
            notes.emplace_back();
            inText = false;
        } else if (notes.empty()) {
            continue;
        } else if (line.rfind("note.name=", 0) == 0) {
            notes.back().name = line.substr(10);
        } else if (line.rfind("note.password_protected=", 0) == 0) {
            notes.back().locked = line.find("True") != std::string::npos;
        } else if (line.rfind("note.plaintext=", 0) == 0) {
            notes.back().plaintext = line.substr(15) + "\n";
            inText = true;
        } else if (inText) {
            notes.back().plaintext += line + "\n";
        } else if (line.rfind("note.body=", 0) == 0) {
            notes.back().body = line.substr(10) + "\n";
        } else if (!notes.back().body.empty()) {
            notes.back().body += line + "\n";
        }
    }
    return notes;
}

fs::path homeWithStore(const fs::path& home, const fs::path& store)
{
    const fs::path container = home / "Library/Group Containers/group.com.apple.notes";
    test::copyDatabase(store, container);
    if (store.filename() != "NoteStore.sqlite")
        fs::rename(container / store.filename(), container / "NoteStore.sqlite");
    return home;
}

} // namespace

TEST(NotesLibrary, SampleHomeRendersEveryShownNote)
{
    test::TempDir dir;
    sample::buildNotes(dir / "home", {});
    const auto library = notesapp::NotesLibrary::open(MacHomeSource((dir / "home").string()));
    ASSERT_FALSE(library.notes().empty());
    for (const auto& note : library.notes())
        EXPECT_FALSE(note.isDeleted);

    std::atomic<bool> stop{false};
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

TEST(NotesLibrary, RealStoresRenderTheTextNotesItselfExported)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    const fs::path folder = realdata / "RhetTbull_apple-notes-parser";
    const std::vector<std::pair<std::string, std::string>> stores{
        {"NoteStore-macOS-12-Monterey.sqlite", "Notes-macOS-12-Monterey.txt"},
        {"NoteStore-macOS-13-Ventura.sqlite", "Notes-macOS-13-Ventura.txt"},
        {"NoteStore-macOS-14-Sonoma.sqlite", "Notes-macOS-14-Sonoma.txt"},
        {"NoteStore-macOS-15-Seqoia.sqlite", "Notes-macOS-15-Seqoia.txt"},
        {"NoteStore-macOS-26-Tahoe.sqlite", "notes_macOS-26-Tahoe-beta.txt"},
    };
    for (const auto& [storeName, answerName] : stores) {
        SCOPED_TRACE(storeName);
        test::TempDir dir;
        const auto library =
            notesapp::NotesLibrary::open(MacHomeSource(homeWithStore(dir / "home", folder / storeName).string()));
        notesapp::NotesHtmlWriter writer(library, dir / "out");
        const auto expected = readAnswerKey(folder / answerName);
        ASSERT_FALSE(expected.empty());
        // Some versions leave Recently Deleted out of their scripting output; we export it anyway.
        size_t inTrash = 0;
        for (const auto& note : library.notes())
            inTrash += library.isInTrash(note) ? 1 : 0;
        EXPECT_GE(library.notes().size(), expected.size());
        EXPECT_LE(library.notes().size(), expected.size() + inTrash);
        for (const ExpectedNote& want : expected) {
            const auto found = std::find_if(library.notes().begin(), library.notes().end(),
                                            [&](const notesdb::Note& n) { return n.title == want.name; });
            ASSERT_NE(found, library.notes().end()) << want.name;
            const std::string page = writer.renderPage(*found, "x_files", dir / "files");
            if (want.locked) {
                EXPECT_NE(page.find(notesapp::NotesHtmlWriter::kLockedPlaceholder), std::string::npos);
                continue;
            }
            EXPECT_EQ(visibleText(page), visibleText("<body>" + want.plaintext)) << want.name;
            EXPECT_EQ(tableCells(page), tableCells(want.body)) << want.name;
            if (want.name == "This note has special formatting") {
                EXPECT_EQ(tableCells(page), (std::vector<std::vector<std::vector<std::string>>>{
                                                {{"Header 1", "Header 2"}, {"Item 1", "Item 2"}}}));
            }
        }
    }
}

TEST(NotesLibrary, RealGroupContainerCopiesMediaAndKeepsHashtags)
{
    VARNHOLT_REQUIRE_REALDATA(realdata);
    test::TempDir dir;
    const fs::path container = dir / "home/Library/Group Containers/group.com.apple.notes";
    fs::create_directories(container.parent_path());
    fs::copy(realdata / "RhetTbull_apple-notes-parser/GroupContainers/macOS15-Sequioa/group.com.apple.notes", container,
             fs::copy_options::recursive);
    const auto library = notesapp::NotesLibrary::open(MacHomeSource((dir / "home").string()));
    std::atomic<bool> stop{false};
    ASSERT_EQ(notesapp::NotesHtmlWriter(library, dir / "out").writeAll(std::nullopt, stop).failed, 0);

    const fs::path notes = dir / "out/On My Mac/Notes";
    const std::string attachmentPage = *readFile(notes / "This note has an attachment.html");
    EXPECT_NE(attachmentPage.find("<a href=\"This%20note%20has%20an%20attachment_files/bitcoin.pdf\">bitcoin.pdf</a>"),
              std::string::npos);
    EXPECT_EQ(fs::file_size(notes / "This note has an attachment_files/bitcoin.pdf"),
              fs::file_size(realdata / "RhetTbull_apple-notes-parser/bitcoin.pdf"));
    const std::string tagsPage = *readFile(notes / "This note has tags.html");
    EXPECT_NE(tagsPage.find("#travel"), std::string::npos);
    EXPECT_TRUE(fs::exists(dir / "out/On My Mac/Folder2/Subfolder/Subsubfolder/This note is deeply buried.html"));
}
