#include "render/notes/NoteHtmlRenderer.h"
#include "model/notes/Attachment.h"
#include "sample-home/NoteBodyEncoder.h"
#include "sources/notes/NoteBodyDecoder.h"

#include <gtest/gtest.h>
#include <map>
#include <tuple>

using namespace varnholt;
using sample::BodySegment;

namespace {

BodySegment text(std::string t, std::optional<int> style = std::nullopt)
{
    return sample::textSegment(std::move(t), style);
}

BodySegment item(std::string t, int style, int indent = 0, std::optional<bool> done = std::nullopt)
{
    BodySegment s = text(std::move(t), style);
    s.indent = indent;
    s.checklistDone = done;
    return s;
}

std::string render(const std::vector<BodySegment>& segments, NoteHtmlRenderer::ResolveAttachment resolve = {})
{
    const auto document = notesdb::NoteBodyDecoder::parseNoteDocument(sample::encodeNoteBody(segments));
    EXPECT_TRUE(document);
    return document ? NoteHtmlRenderer(std::move(resolve)).renderBody(*document) : "";
}

} // namespace

TEST(NoteHtmlRenderer, ParagraphStylesAndInlineFormatting)
{
    BodySegment bold = text("bold");
    bold.fontWeight = 1;
    BodySegment both = text("both");
    both.fontWeight = 3;
    both.underlined = true;
    both.strikethrough = true;
    BodySegment link = text("site");
    link.link = "https://example.org/?a=1&b=2";
    BodySegment evil = text("click");
    evil.link = " JaVa\tScRiPt:alert(1)";

    const std::string html = render({text("Title\n", 0), text("Heading\n", 1), text("Sub\n", 2), text("line 1\n", 4),
                                     text("  line <2>\n", 4), text("Plain "), bold, text(" "), both, text(" "), link,
                                     text(" "), evil, text("\n\n<script>alert(1)</script>")});
    EXPECT_EQ(html, "<div><h1>Title</h1></div>\n"
                    "<div><h2>Heading</h2></div>\n"
                    "<div><h3>Sub</h3></div>\n"
                    "<pre>line 1\n  line &lt;2&gt;</pre>\n"
                    "<div>Plain <b>bold</b> <b><i><u><s>both</s></u></i></b> "
                    "<a href=\"https://example.org/?a=1&amp;b=2\">site</a> click</div>\n"
                    "<div><br></div>\n"
                    "<div>&lt;script&gt;alert(1)&lt;/script&gt;</div>\n");
}

TEST(NoteHtmlRenderer, NestedListsAndChecklists)
{
    const std::string html =
        render({item("one\n", 100), item("one.a\n", 100, 1), item("one.a.i\n", 102, 2), item("two\n", 100),
                item("dash\n", 101), item("todo\n", 103, 0, false), item("done\n", 103, 0, true), text("after")});
    EXPECT_EQ(html, "<ul>\n"
                    "<li>one<ul>\n"
                    "<li>one.a<ol>\n"
                    "<li>one.a.i</li></ol>\n"
                    "</li></ul>\n"
                    "</li>\n<li>two</li></ul>\n"
                    "<ul class=\"dashed\">\n"
                    "<li>dash</li></ul>\n"
                    "<ul class=\"checklist\">\n"
                    "<li><input type=\"checkbox\" disabled> todo</li>\n"
                    "<li><input type=\"checkbox\" disabled checked> done</li></ul>\n"
                    "<div>after</div>\n");
}

TEST(NoteHtmlRenderer, AttachmentsEmojiAndWideText)
{
    auto shown = [](RenderedAttachment::Kind kind, std::string path, std::string name) {
        RenderedAttachment r;
        r.kind = kind;
        r.relativePath = std::move(path);
        r.name = std::move(name);
        return r;
    };
    using Kind = RenderedAttachment::Kind;
    const std::map<std::string, RenderedAttachment> resolved{
        {"IMG", shown(Kind::image, "My note_files/photo 1.jpg", "photo 1.jpg")},
        {"PDF", shown(Kind::file, "My note_files/a&b.pdf", "a&b.pdf")},
        {"TBL", shown(Kind::table, "", "")},
        {"GONE", shown(Kind::missing, "", "lost.png")},
        {"SND", shown(Kind::audio, "My note_files/memo.m4a", "memo.m4a")},
        {"MOV", shown(Kind::video, "My note_files/clip.mov", "clip.mov")},
        {"URL", shown(Kind::link, "https://example.org/a?b=1&c", "Example <page>")},
        {"BAD", shown(Kind::link, "javascript:alert(1)", "bad")},
        {"TAG", shown(Kind::inlineText, "", "#Zürich<3")},
        {"SCAN",
         [&] {
             RenderedAttachment gallery = shown(Kind::gallery, "", "");
             gallery.pages = {shown(Kind::image, "n_files/page 1.png", "page 1.png"),
                              shown(Kind::file, "n_files/page 2.pdf", "page 2.pdf")};
             return gallery;
         }()},
        {"EMPTY", shown(Kind::gallery, "", "scan")}};
    std::vector<BodySegment> segments{text("東京 👨‍👩‍👧‍👦 ñ\n")};
    for (const char* id : {"IMG", "PDF", "TBL", "GONE", "SND", "MOV", "URL", "BAD", "TAG", "SCAN", "EMPTY"}) {
        segments.push_back(sample::attachmentSegment(id, "public.data"));
        segments.push_back(text("\n"));
    }
    const std::string html = render(
        segments, [&](const notesdb::NoteDocument::AttachmentReference& ref) { return resolved.at(ref.identifier); });
    EXPECT_EQ(html,
              "<div>東京 👨‍👩‍👧‍👦 ñ</div>\n"
              "<div><img src=\"My%20note_files/photo%201.jpg\" alt=\"photo 1.jpg\" style=\"max-width: 100%\"></div>\n"
              "<div><a href=\"My%20note_files/a%26b.pdf\">a&amp;b.pdf</a></div>\n"
              "<div>[Table]</div>\n"
              "<div>[lost.png]</div>\n"
              "<div><audio controls src=\"My%20note_files/memo.m4a\"><a href=\"My%20note_files/memo.m4a\">memo.m4a</a>"
              "</audio></div>\n"
              "<div><video controls src=\"My%20note_files/clip.mov\" style=\"max-width: 100%\"><a "
              "href=\"My%20note_files/clip.mov\">clip.mov</a></video></div>\n"
              "<div><a href=\"https://example.org/a?b=1&amp;c\">Example &lt;page&gt;</a></div>\n"
              "<div>bad</div>\n"
              "<div>#Zürich&lt;3</div>\n"
              "<div><img src=\"n_files/page%201.png\" alt=\"page 1.png\" style=\"max-width: 100%\"><br>"
              "<a href=\"n_files/page%202.pdf\">page 2.pdf</a></div>\n"
              "<div>[scan]</div>\n");
}

TEST(AttachmentKind, FromTheTypeElseTheExtension)
{
    // The cases where the order of the tests matters: a type before the name, a scan before the
    // sketches of its family, a named inline kind before the rest.
    using notesdb::AttachmentKind;
    const std::vector<std::tuple<std::string, std::string, AttachmentKind>> cases{
        {"public.data", "Scan.HEIC", AttachmentKind::image},
        {"", "memo.M4A", AttachmentKind::audio},
        {"com.adobe.pdf", "cover.png", AttachmentKind::pdf},
        {"com.apple.paper.doc.scan", "", AttachmentKind::scan},
        {"com.apple.paper", "", AttachmentKind::drawing},
        {"com.apple.drawing.2", "", AttachmentKind::drawing},
        {"com.apple.notes.inlinetextattachment.mention", "", AttachmentKind::mention},
        {"com.apple.notes.inlinetextattachment.calculateresult", "", AttachmentKind::inlineText},
        {"public.zip-archive", "a.dir/archive", AttachmentKind::file}};
    for (const auto& [uti, name, kind] : cases)
        EXPECT_EQ(notesdb::attachmentKind(uti, name), kind) << uti << " " << name;
}
