#include "export/notesdb/NotesExporterFastDB.h"
#include "export/notesstandard/NotePagesWriter.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Statement.h"
#include "render/notes/NotePageRenderer.h"
#include "sample-home/NoteBodyEncoder.h"
#include "sources/MacHomeSource.h"
#include "sources/notesapp/NotesLibrary.h"
#include "support/NotesAnswerKey.h"
#include "support/RealData.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>

using namespace varnholt;
namespace fs = std::filesystem;
using nlohmann::json;

namespace {
const char* kContainer = "Library/Group Containers/group.com.apple.notes";

// Exports a home by the fast method; returns the NDJSON lines.
std::vector<json> exportFast(const fs::path& home, const fs::path& out, std::vector<std::string> passwords = {})
{
    NotesExporterFastDB exporter({}, MacHomeSource::make(home.string()));
    exporter.setPasswords(std::move(passwords));
    exporter.exportTo(out.string(), {ExportFormat::json, ExportFormat::html});
    std::vector<json> lines;
    std::istringstream in(readFile(out / "notes.ndjson").value());
    for (std::string line; std::getline(in, line);)
        lines.push_back(json::parse(line));
    return lines;
}

std::int64_t noteRows(const fs::path& store, const test::TempDir& dir)
{
    const fs::path copy = test::copyDatabase(store, dir / "count");
    auto db = Database::open(copy.string(), Database::Mode::ReadOnly);
    auto statement = db->prepare("SELECT COUNT(*) FROM ZICCLOUDSYNCINGOBJECT WHERE Z_ENT = (SELECT Z_ENT FROM "
                                 "Z_PRIMARYKEY WHERE Z_NAME = 'ICNote')");
    statement->step();
    return statement->columnInt64(0);
}

std::string trimEnd(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// Notes' plain text with each U+FFFC of a table replaced by its rows, as our text writes them.
std::string withTableRows(std::string plaintext, const test::TableCells& tables)
{
    for (const auto& table : tables) {
        std::string rows;
        for (const auto& row : table) {
            std::string line;
            for (const std::string& cell : row)
                line += (line.empty() ? "" : "\t") + cell;
            rows += (rows.empty() ? "" : "\n") + line;
        }
        const size_t at = plaintext.find(sample::kObjectReplacement);
        if (at != std::string::npos)
            plaintext.replace(at, sample::kObjectReplacement.size(), rows);
    }
    return plaintext;
}

// Our text writes an attachment's name, or a hashtag's text, where Notes leaves U+FFFC.
std::string asNotesWritesIt(const json& line)
{
    std::string body = line["body_text"];
    for (const json& attachment : line["attachments"])
        if (attachment.contains("text")) {
            const std::string text = attachment["text"];
            body.replace(body.find(text), text.size(), sample::kObjectReplacement);
        }
    return std::regex_replace(body, std::regex(R"(\[attachment: [^\]]*\])"), sample::kObjectReplacement);
}

// The text a reader sees in a rendered page: tags dropped, entities decoded, blanks collapsed;
// tables, attachments and hashtags (which Notes' own text leaves out) dropped too.
std::string visibleText(std::string html)
{
    html = html.substr(html.find("<body>"));
    html = std::regex_replace(html, std::regex("<table[\\s\\S]*?</table>"), " ");
    html =
        std::regex_replace(html, std::regex("<a href=\"[^\"]*_files/[^\"]*\">[^<]*</a>|<img[^>]*>|\\[Table\\]"), " ");
    html = std::regex_replace(html, std::regex("<[^>]+>"), " ");
    html = std::regex_replace(html, std::regex("#\\w+|\\[[^\\]]*\\]"), " ");
    for (const auto& [entity, character] : std::vector<std::pair<std::string, std::string>>{
             {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&amp;", "&"}})
        html = std::regex_replace(html, std::regex(entity), character);
    html = std::regex_replace(html, std::regex("\xEF\xBF\xBC"), " ");
    html = std::regex_replace(html, std::regex("\\s+"), " ");
    return std::regex_replace(html, std::regex("^ | $"), "");
}
} // namespace

// Notes' own export of each store is the answer key for both methods: text, folders, tables, and
// the locked note, which the password opens where the store uses the classic scheme.
TEST(RealStores, BothMethodsGiveTheTextNotesItselfExported)
{
    VARNHOLT_REQUIRE_REALDATA(real);
    const fs::path base = real / "RhetTbull_apple-notes-parser";
    for (const auto& [store, key] : test::rhetTbullStores()) {
        SCOPED_TRACE(store);
        const bool classic = store.find("-12-") != std::string::npos || store.find("-13-") != std::string::npos;
        test::TempDir dir;
        const fs::path home = test::homeWithStore(dir / "home", base / store);
        test::TraceCapture trace;
        const std::vector<std::string> passwords{"wrong", "tbull"};
        const std::vector<json> lines = exportFast(home, dir / "out", passwords);
        EXPECT_EQ(static_cast<std::int64_t>(lines.size()), noteRows(base / store, dir));
        EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out/txt"), {}), static_cast<long>(lines.size()));
        EXPECT_EQ(
            trace.linesStartingWith("[FastDB] \U0001F512 The note \u201cThis note is password protected\u201d").size(),
            classic ? 0u : 1u);
        auto library = notesapp::NotesLibrary::open(MacHomeSource(home.string()), defaultReadabilityProbe(), {},
                                                    notesapp::NotesLibrary::Content::everything, {}, passwords);
        const std::vector<notesdb::Note> notes = library.readAll();

        const std::vector<test::AnswerNote> answers = test::readAnswerKey(base / key);
        ASSERT_GE(answers.size(), 7u);
        // Some versions leave Recently Deleted out of their scripting output; we export it anyway.
        EXPECT_GE(notes.size(), answers.size());
        for (const test::AnswerNote& expected : answers) {
            SCOPED_TRACE(expected.name);
            const auto line = std::find_if(lines.begin(), lines.end(),
                                           [&](const json& line) { return line["title"] == expected.name; });
            ASSERT_NE(line, lines.end());
            EXPECT_EQ((*line)["folder"], expected.folder);
            EXPECT_EQ((*line)["account"], expected.account);
            EXPECT_EQ((*line)["is_locked"], expected.locked);
            EXPECT_EQ((*line)["lock"], expected.locked ? "password" : "none");
            const test::TableCells tables = test::tableCells(expected.body);
            EXPECT_EQ((*line)["tables"].get<test::TableCells>(), tables);
            const bool opened = !expected.locked || classic;
            EXPECT_EQ(trimEnd(asNotesWritesIt(*line)),
                      opened ? trimEnd(withTableRows(expected.plaintext, tables)) : std::string());

            const auto note = std::find_if(notes.begin(), notes.end(),
                                           [&](const notesdb::Note& n) { return n.title == expected.name; });
            ASSERT_NE(note, notes.end());
            const std::string page = notesapp::NotePageRenderer::render(*note, "x_files").html;
            if (!opened) {
                EXPECT_NE(page.find(notesapp::NotePageRenderer::kLockedPlaceholder), std::string::npos);
                continue;
            }
            EXPECT_EQ(visibleText(page), visibleText("<body>" + expected.plaintext));
            EXPECT_EQ(test::tableCells(page), tables);
            if (expected.name == "This note has special formatting") {
                EXPECT_EQ(tables, (test::TableCells{{{"Header 1", "Header 2"}, {"Item 1", "Item 2"}}}));
            }
        }
    }
}

TEST(RealStores, GroupContainersShowAttachmentFilesAndHashtags)
{
    VARNHOLT_REQUIRE_REALDATA(real);
    for (const char* name : {"macOS15-Sequioa", "macOS26-Tahoe"}) {
        SCOPED_TRACE(name);
        const fs::path store =
            real / "RhetTbull_apple-notes-parser/GroupContainers" / name / "group.com.apple.notes/NoteStore.sqlite";
        test::TempDir dir;
        const fs::path home = test::homeWithStore(dir / "home", store, true);
        test::TraceCapture quiet;
        const std::vector<json> lines = exportFast(home, dir / "out");
        EXPECT_EQ(static_cast<std::int64_t>(lines.size()), noteRows(store, dir));
        for (const json& line : lines) {
            const json& attachments = line["attachments"];
            if (line["title"] == "This note has an attachment") {
                ASSERT_EQ(attachments.size(), 1u);
                EXPECT_EQ(attachments[0]["kind"], "pdf");
                EXPECT_EQ(attachments[0]["file_source"], "original");
                EXPECT_TRUE(fs::is_regular_file(fs::path(attachments[0]["directory"].get<std::string>()) /
                                                attachments[0]["filename"].get<std::string>()));
            }
            if (line["title"] == "This note has tags") {
                ASSERT_EQ(attachments.size(), 2u);
                EXPECT_EQ(attachments[0]["kind"], "hashtag");
                EXPECT_EQ(attachments[0]["text"], "#travel");
                EXPECT_NE(line["body_text"].get<std::string>().find("#travel\n#vacation"), std::string::npos);
            }
        }

        auto library = notesapp::NotesLibrary::open(MacHomeSource(home.string()));
        notesapp::NotePagesWriter pages(dir / "pages");
        for (const notesdb::Note& note : library.readAll())
            pages.write(library, note);
        const fs::path notes = dir / "pages/On My Mac/Notes";
        EXPECT_NE(readFile(notes / "This note has an attachment.html")
                      ->find("<a href=\"This%20note%20has%20an%20attachment_files/bitcoin.pdf\">bitcoin.pdf</a>"),
                  std::string::npos);
        EXPECT_EQ(fs::file_size(notes / "This note has an attachment_files/bitcoin.pdf"),
                  fs::file_size(real / "RhetTbull_apple-notes-parser/bitcoin.pdf"));
        EXPECT_NE(readFile(notes / "This note has tags.html")->find("<div>#travel</div>"), std::string::npos);
        EXPECT_EQ(std::distance(fs::directory_iterator(dir / "pages/On My Mac/Folder2/Subfolder/Subsubfolder"), {}), 1);

        // Without its file the PDF shows as the largest preview Notes rendered of it, named in the trace.
        fs::remove_all(home / kContainer / "Accounts/LocalAccount/Media");
        test::TraceCapture trace;
        for (const json& line : exportFast(home, dir / "without-media"))
            if (line["title"] == "This note has an attachment") {
                EXPECT_EQ(line["attachments"][0]["file_source"], "preview");
                const std::string preview = line["attachments"][0]["stand_in_file"];
                EXPECT_NE(preview.find("/Accounts/LocalAccount/Previews/"), std::string::npos);
                EXPECT_NE(preview.find("-3-296x384-0/"), std::string::npos) << "the largest of six";
                EXPECT_TRUE(fs::is_regular_file(preview));
            }
        EXPECT_EQ(trace.linesStartingWith("[FastDB] ⚠️ Attachment file not found: bitcoin.pdf").size(), 1u);
    }
}

TEST(RealStores, IosStoreWithWalAndEmptyLabStores)
{
    VARNHOLT_REQUIRE_REALDATA(real);
    {
        const fs::path store = real / "MargaretYe_IOS-note/group.com.apple.notes/NoteStore.sqlite";
        test::TempDir dir;
        test::TraceCapture quiet;
        const std::vector<json> lines = exportFast(test::homeWithStore(dir / "home", store, true), dir / "out");
        ASSERT_EQ(lines.size(), 24u);
        int withText = 0;
        int attachmentsOnDisk = 0;
        for (const json& line : lines) {
            if (line["is_deleted"] == false) {
                EXPECT_FALSE(line["body_text"].get<std::string>().empty()) << line["title"];
                ++withText;
            }
            for (const json& attachment : line["attachments"])
                attachmentsOnDisk += fs::exists(fs::path(attachment["directory"].get<std::string>()) /
                                                attachment["filename"].get<std::string>());
        }
        EXPECT_EQ(withText, 14);
        EXPECT_EQ(attachmentsOnDisk, 31);
        const auto git = std::find_if(lines.begin(), lines.end(),
                                      [](const json& line) { return line["title"] == "一.Git与GitHub的链接"; });
        ASSERT_NE(git, lines.end());
        EXPECT_EQ((*git)["folder"], "git使用");
        EXPECT_EQ((*git)["account"], "iCloud");
    }
    for (const char* home : {"Eryk589_Bootcamp", "hackathonrunner_number1"}) {
        test::TempDir dir;
        test::TraceCapture quiet;
        EXPECT_TRUE(
            exportFast(test::homeWithStore(dir / "home", real / home / kContainer / "NoteStore.sqlite"), dir / "out")
                .empty())
            << home;
    }
}
