#include "export/notesdb/NotesExporterFastDB.h"
#include "platform/Database.h"
#include "platform/Files.h"
#include "platform/Statement.h"
#include "sample-home/NoteBodyEncoder.h"
#include "sources/MacHomeSource.h"
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

// Puts a real store (and whatever lies beside it, for a whole container) into a fresh home
// and exports it; returns the NDJSON lines.
std::vector<json> exportRealStore(const fs::path& store, const test::TempDir& dir, bool wholeContainer = false)
{
    const fs::path container = dir / "home" / kContainer;
    fs::create_directories(container);
    if (wholeContainer)
        fs::copy(store.parent_path(), container, fs::copy_options::recursive);
    else
        test::copyDatabase(store, container);
    if (store.filename() != "NoteStore.sqlite")
        for (const char* suffix : {"", "-wal", "-shm"})
            if (fs::exists(container / (store.filename().string() + suffix)))
                fs::rename(container / (store.filename().string() + suffix),
                           container / (std::string("NoteStore.sqlite") + suffix));
    test::TraceCapture quiet;
    NotesExporterFastDB exporter({}, MacHomeSource::make((dir / "home").string()));
    exporter.exportTo((dir / "out").string(), {ExportFormat::json, ExportFormat::html});
    std::vector<json> lines;
    std::istringstream in(readFile(dir / "out/notes.ndjson").value());
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

struct KeyNote {
    std::string name, folder, account, plaintext, body;
    bool locked = false;
};

// The answer key Notes itself wrote: "note.<field>=" lines, the plain text running to the next note.
std::vector<KeyNote> readAnswerKey(const fs::path& path)
{
    std::vector<KeyNote> notes;
    std::istringstream in(readFile(path).value());
    bool inText = false;
    bool inBody = false;
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("note.id=", 0) == 0) {
            notes.emplace_back();
            inText = false;
            inBody = false;
        } else if (notes.empty()) {
            continue;
        } else if (inText) {
            notes.back().plaintext += "\n" + line;
        } else if (line.rfind("note.body=", 0) == 0) {
            notes.back().body = line.substr(10);
            inBody = true;
        } else if (inBody && line.rfind("note.", 0) != 0) {
            notes.back().body += "\n" + line;
        } else if (line.rfind("note.plaintext=", 0) == 0) {
            notes.back().plaintext = line.substr(15);
            inText = true;
            inBody = false;
        } else if (line.rfind("note.name=", 0) == 0) {
            notes.back().name = line.substr(10);
        } else if (line.rfind("note.folder=", 0) == 0) {
            notes.back().folder = line.substr(12);
        } else if (line.rfind("note.account=", 0) == 0) {
            notes.back().account = line.substr(13);
        } else if (line == "note.password_protected=True") {
            notes.back().locked = true;
        }
    }
    return notes;
}

std::string trimEnd(std::string text)
{
    while (!text.empty() && (text.back() == '\n' || text.back() == ' '))
        text.pop_back();
    return text;
}

// The tables of Notes' own HTML body, cell by cell.
json tablesOf(const std::string& body)
{
    json tables = json::array();
    const std::regex table("<table[^>]*>([\\s\\S]*?)</table>"), row("<tr>([\\s\\S]*?)</tr>"),
        cell("<td[^>]*>([\\s\\S]*?)</td>"), tag("<[^>]+>|\\n");
    for (std::sregex_iterator t(body.begin(), body.end(), table), end; t != end; ++t) {
        json rows = json::array();
        const std::string inner = (*t)[1];
        for (std::sregex_iterator r(inner.begin(), inner.end(), row); r != end; ++r) {
            json cells = json::array();
            const std::string cellsText = (*r)[1];
            for (std::sregex_iterator c(cellsText.begin(), cellsText.end(), cell); c != end; ++c)
                cells.push_back(std::regex_replace((*c)[1].str(), tag, ""));
            rows.push_back(cells);
        }
        tables.push_back(rows);
    }
    return tables;
}

// Notes' plain text with each U+FFFC of a table replaced by its rows, as our text writes them.
std::string withTableRows(std::string plaintext, const json& tables)
{
    for (const json& table : tables) {
        std::string rows;
        for (const json& row : table) {
            std::string line;
            for (const json& cell : row)
                line += (line.empty() ? "" : "\t") + cell.get<std::string>();
            rows += (rows.empty() ? "" : "\n") + line;
        }
        const size_t at = plaintext.find(sample::kObjectReplacement);
        if (at != std::string::npos)
            plaintext.replace(at, sample::kObjectReplacement.size(), rows);
    }
    return plaintext;
}

// Our text names each attachment where Notes leaves U+FFFC.
std::string asNotesWritesIt(const std::string& body)
{
    return std::regex_replace(body, std::regex(R"(\[attachment: [^\]]*\])"), sample::kObjectReplacement);
}
} // namespace

TEST(RealStores, EveryRhetTbullStoreExportsTheTextNotesGives)
{
    VARNHOLT_REQUIRE_REALDATA(real);
    const fs::path base = real / "RhetTbull_apple-notes-parser";
    const std::map<std::string, std::string> stores{
        {"NoteStore-macOS-12-Monterey.sqlite", "Notes-macOS-12-Monterey.txt"},
        {"NoteStore-macOS-13-Ventura.sqlite", "Notes-macOS-13-Ventura.txt"},
        {"NoteStore-macOS-14-Sonoma.sqlite", "Notes-macOS-14-Sonoma.txt"},
        {"NoteStore-macOS-15-Seqoia.sqlite", "Notes-macOS-15-Seqoia.txt"},
        {"NoteStore-macOS-26-Tahoe.sqlite", "notes_macOS-26-Tahoe-beta.txt"}};
    for (const auto& [store, key] : stores) {
        SCOPED_TRACE(store);
        test::TempDir dir;
        const std::vector<json> lines = exportRealStore(base / store, dir);
        EXPECT_EQ(static_cast<std::int64_t>(lines.size()), noteRows(base / store, dir));
        const std::vector<KeyNote> answers = readAnswerKey(base / key);
        ASSERT_GE(answers.size(), 7u);
        for (const KeyNote& expected : answers) {
            SCOPED_TRACE(expected.name);
            const auto found = std::find_if(lines.begin(), lines.end(),
                                            [&](const json& line) { return line["title"] == expected.name; });
            ASSERT_NE(found, lines.end());
            EXPECT_EQ((*found)["folder"], expected.folder);
            EXPECT_EQ((*found)["account"], expected.account);
            EXPECT_EQ((*found)["is_locked"], expected.locked);
            const json tables = tablesOf(expected.body);
            EXPECT_EQ((*found)["tables"], tables);
            if (expected.locked) {
                EXPECT_EQ((*found)["body_text"], "");
            } else {
                EXPECT_EQ(trimEnd(asNotesWritesIt((*found)["body_text"])),
                          trimEnd(withTableRows(expected.plaintext, tables)));
            }
            if (expected.name == "This note has special formatting") {
                EXPECT_EQ(tables, json::parse(R"([[["Header 1","Header 2"],["Item 1","Item 2"]]])"));
            }
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out/txt"), {}), static_cast<long>(lines.size()));
    }
}

TEST(RealStores, GroupContainersListAttachmentFilesWhereTheyLie)
{
    VARNHOLT_REQUIRE_REALDATA(real);
    for (const char* name : {"macOS15-Sequioa", "macOS26-Tahoe"}) {
        SCOPED_TRACE(name);
        const fs::path store =
            real / "RhetTbull_apple-notes-parser/GroupContainers" / name / "group.com.apple.notes/NoteStore.sqlite";
        test::TempDir dir;
        const std::vector<json> lines = exportRealStore(store, dir, true);
        EXPECT_EQ(static_cast<std::int64_t>(lines.size()), noteRows(store, dir));
        const auto note = std::find_if(lines.begin(), lines.end(),
                                       [](const json& line) { return line["title"] == "This note has an attachment"; });
        ASSERT_NE(note, lines.end());
        const json& attachments = (*note)["attachments"];
        ASSERT_EQ(attachments.size(), 1u);
        EXPECT_EQ(attachments[0]["type_uti"], "com.adobe.pdf");
        EXPECT_TRUE(fs::is_regular_file(fs::path(attachments[0]["directory"].get<std::string>()) /
                                        attachments[0]["filename"].get<std::string>()));
    }
}

TEST(RealStores, IosStoreWithWalAndEmptyLabStores)
{
    VARNHOLT_REQUIRE_REALDATA(real);
    {
        const fs::path store = real / "MargaretYe_IOS-note/group.com.apple.notes/NoteStore.sqlite";
        test::TempDir dir;
        const std::vector<json> lines = exportRealStore(store, dir, true);
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
        EXPECT_TRUE(exportRealStore(real / home / kContainer / "NoteStore.sqlite", dir).empty()) << home;
    }
}
