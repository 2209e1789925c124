#include "export/notesdb/NotesExporterFastDB.h"
#include "platform/Files.h"
#include "platform/Gzip.h"
#include "render/notes/NoteHtmlRenderer.h"
#include "sample-home/NoteBodyEncoder.h"
#include "sample-home/NoteStoreBuilder.h"
#include "sample-home/NoteTableEncoder.h"
#include "sample-home/NotesSample.h"
#include "sources/MacHomeSource.h"
#include "sources/notes/NoteTableDecoder.h"
#include "support/RealData.h"
#include "support/TempDir.h"
#include "support/TraceCapture.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace varnholt;
using namespace varnholt::notesdb;
namespace fs = std::filesystem;
using Cells = std::vector<std::vector<std::string>>;

namespace {
NoteTable decodeFile(const fs::path& path)
{
    const NoteTableDecoder::Result result = NoteTableDecoder::decode(readFile(path).value());
    EXPECT_TRUE(result.table) << path << ": " << result.problem;
    return result.table.value_or(NoteTable{});
}

// A document whose only character is the table with this identifier.
std::string tableHtml(const NoteTable& table)
{
    NoteDocument document;
    document.text = std::string(NoteDocument::kAttachmentCharacter);
    NoteDocument::Run run;
    run.end = document.text.size();
    run.attachment = NoteDocument::AttachmentReference{"T", "com.apple.notes.table"};
    document.runs.push_back(run);
    return NoteHtmlRenderer([&](const NoteDocument::AttachmentReference&) {
               RenderedAttachment rendered;
               rendered.kind = RenderedAttachment::Kind::table;
               rendered.table = &table;
               return rendered;
           })
        .renderBody(document);
}
} // namespace

TEST(NoteTableDecoder, RealBlobsGiveTheirCellsInVisibleOrderWithFormatting)
{
    VARNHOLT_REQUIRE_REALDATA(real);
    const fs::path blobs = real / "threeplanetssoftware_apple_cloud_notes_parser/exported_blobs";

    const NoteTable plain = decodeFile(blobs / "table_gzipped.bin");
    EXPECT_EQ(plain.cellTexts(), (Cells{{"Row 1 Column 1", "Row 1 Column 2"}, {"Row 2 Column 1", "Row 2 Column 2"}}));
    EXPECT_FALSE(plain.rightToLeft);
    EXPECT_EQ(plain.tabSeparated(), "Row 1 Column 1\tRow 1 Column 2\nRow 2 Column 1\tRow 2 Column 2");
    EXPECT_EQ(tableHtml(plain), "<div><table>\n<tr>\n<td>Row 1 Column 1</td>\n<td>Row 1 Column 2</td>\n</tr>\n<tr>\n"
                                "<td>Row 2 Column 1</td>\n<td>Row 2 Column 2</td>\n</tr>\n</table></div>\n");

    const NoteTable formats = decodeFile(blobs / "table_formats_gzipped.bin");
    EXPECT_EQ(formats.cellTexts(),
              (Cells{{"Bold", "Italics"}, {"Bold italics", "Underline"}, {"Mixed bold italics underline", ""}}));
    const std::string html = tableHtml(formats);
    for (const char* cell :
         {"<td><b><i>Bold italics</i></b></td>", "<td><u>Underline</u></td>", "<td><b>Bold</b></td>",
          "<td><i>Italics</i></td>", "<td>Mixed <b>bold</b> <i>italics</i> <u>underline</u></td>", "<td></td>"})
        EXPECT_NE(html.find(cell), std::string::npos) << cell << " in " << html;

    const NoteTable rtl = decodeFile(blobs / "right_to_left_table_gzipped.bin");
    EXPECT_TRUE(rtl.rightToLeft);
    EXPECT_EQ(rtl.cellTexts(),
              (Cells{{"", "\xd8\xa7\xd9\x88\xd9\x84"}, {"\xd9\x86\xd9\x87\xd8\xa7\xd9\x8a\xd8\xa9", ""}}));
    EXPECT_NE(tableHtml(rtl).find("<td dir=\"rtl\">\xd8\xa7\xd9\x88\xd9\x84</td>"), std::string::npos);

    // A note body is not a table.
    EXPECT_FALSE(NoteTableDecoder::decode(readFile(blobs / "url_gzipped.bin").value()).table);
}

TEST(NoteTableDecoder, OrderingsDirectionDamageAndSize)
{
    sample::SampleTable moved;
    moved.cells = {{"a1", "b1", "c1"}, {"a2", "b2", "c2"}};
    moved.reorder = true;
    auto decoded = NoteTableDecoder::decode(sample::encodeCompressedTable(moved));
    ASSERT_TRUE(decoded.table) << decoded.problem;
    // The orderings, not the order the objects were made in, decide where a row or column shows.
    EXPECT_EQ(decoded.table->cellTexts(), (Cells{{"c2", "b2", "a2"}, {"c1", "b1", "a1"}}));

    sample::SampleTable rtl;
    rtl.cells = {{"first", "second"}};
    rtl.rightToLeft = true;
    decoded = NoteTableDecoder::decode(sample::encodeCompressedTable(rtl));
    ASSERT_TRUE(decoded.table);
    EXPECT_EQ(decoded.table->cellTexts(), (Cells{{"second", "first"}}));

    sample::SampleTable dangling;
    dangling.cells = {{"lost", "kept"}, {"also kept", "line\tand\nbreak"}};
    dangling.danglingFirstCell = true;
    decoded = NoteTableDecoder::decode(sample::encodeCompressedTable(dangling));
    ASSERT_TRUE(decoded.table);
    EXPECT_EQ(decoded.table->cellTexts(), (Cells{{"", "kept"}, {"also kept", "line\tand\nbreak"}}));
    EXPECT_EQ(decoded.table->tabSeparated(), "\tkept\nalso kept\tline and break");

    sample::SampleTable large;
    large.cells.assign(100, std::vector<std::string>(100, "x"));
    large.cells[99][99] = "last";
    decoded = NoteTableDecoder::decode(sample::encodeCompressedTable(large));
    ASSERT_TRUE(decoded.table);
    ASSERT_EQ(decoded.table->rows.size(), 100u);
    ASSERT_EQ(decoded.table->rows[99].size(), 100u);
    EXPECT_EQ(decoded.table->rows[99][99].text, "last");

    for (const std::string& bad : {std::string("\x1f\x8b\x08\x00garbage", 12), deflateGzip("\xff\xff\xff\xff"),
                                   std::string(), deflateGzip("")}) {
        const auto result = NoteTableDecoder::decode(bad);
        EXPECT_FALSE(result.table);
        EXPECT_FALSE(result.problem.empty());
    }
}

TEST(NoteTableDecoder, FastExportPutsRowsInTheTextAndCellsInTheJson)
{
    test::TempDir dir;
    const fs::path container = sample::notesContainer(dir / "home");
    fs::create_directories(container);
    {
        sample::NoteStoreBuilder store(container / "NoteStore.sqlite");
        store.beginTransaction();
        sample::SampleNote note;
        note.title = "Tables";
        auto table = [](const std::string& id) { return sample::attachmentSegment(id, "com.apple.notes.table"); };
        note.body = sample::encodeCompressedNoteBody(
            {sample::textSegment("Tables\n", 0), table("SECOND"), sample::textSegment("\nbetween\n"), table("BROKEN"),
             sample::textSegment("\n"), table("FIRST"), sample::textSegment("\nend")});
        const std::int64_t id = store.addNote(note);
        sample::SampleTable first;
        first.cells = {{"A", "B"}};
        sample::SampleTable second;
        second.cells = {{"C"}, {"D"}};
        // Stored in another order than the body's: the body decides.
        store.setMergeableData(store.addAttachment(id, "com.apple.notes.table", "FIRST"),
                               sample::encodeCompressedTable(first));
        store.setMergeableData(store.addAttachment(id, "com.apple.notes.table", "SECOND"),
                               sample::encodeCompressedTable(second));
        store.setMergeableData(store.addAttachment(id, "com.apple.notes.table", "BROKEN"), "\x1f\x8b\x08 not gzip");
        store.commit();
        store.finish();
    }
    test::TraceCapture trace;
    NotesExporterFastDB exporter({}, MacHomeSource::make((dir / "home").string()));
    exporter.exportTo((dir / "out").string(), {ExportFormat::json, ExportFormat::html});
    const auto line = nlohmann::json::parse(readFile(dir / "out/notes.ndjson").value());
    EXPECT_EQ(line["tables"], nlohmann::json::parse(R"([[["C"],["D"]],[["A","B"]]])"));
    EXPECT_EQ(line["body_text"], "Tables\nC\nD\nbetween\n[attachment: com.apple.notes.table]\nA\tB\nend");
    EXPECT_EQ(readFile(dir / "out/txt" / *fs::directory_iterator(dir / "out/txt")).value(), line["body_text"]);
    EXPECT_EQ(trace.linesStartingWith("[FastDB] \u26A0\uFE0F A table in note").size(), 1u);
}
