#include "sources/notes/NoteDocumentProto.h"

#include "platform/Utf8.h"
#include "sources/notes/notestore.pb.h"

#include <algorithm>

namespace varnholt::notesdb {

namespace {
NoteDocument::ParagraphStyle paragraphStyleOf(const notestore::ParagraphStyle& style)
{
    NoteDocument::ParagraphStyle out;
    if (style.has_style_type())
        out.styleType = static_cast<NoteDocument::StyleType>(style.style_type());
    out.indent = style.indent_amount();
    if (style.has_checklist())
        out.checklist = NoteDocument::Checklist{style.checklist().uuid(), style.checklist().done() != 0};
    return out;
}
} // namespace

std::optional<NoteDocument> noteDocumentFromProto(const notestore::NoteStoreProto& proto)
{
    if (!proto.has_document() || !proto.document().has_note() || !proto.document().note().has_note_text())
        return std::nullopt;
    return noteDocumentFromNote(proto.document().note());
}

NoteDocument noteDocumentFromNote(const notestore::Note& note)
{
    NoteDocument document;
    document.text = note.note_text();
    document.runs.reserve(static_cast<std::size_t>(note.attribute_run_size()));
    std::size_t offset = 0;
    for (const notestore::AttributeRun& source : note.attribute_run()) {
        NoteDocument::Run run;
        run.begin = offset;
        // Lengths count UTF-16 units; a damaged byte counts as the one unit of the U+FFFD it reads
        // as, so it shifts no later boundary by more than itself.
        run.end = utf8::advanceUtf16(document.text, offset, source.length());
        offset = run.end;
        if (source.has_paragraph_style())
            run.paragraphStyle = paragraphStyleOf(source.paragraph_style());
        if (source.font_weight() >= 0 && source.font_weight() <= 3)
            run.fontWeight = static_cast<NoteDocument::FontWeight>(source.font_weight());
        run.underlined = source.underlined() != 0;
        run.strikethrough = source.strikethrough() != 0;
        run.superscript = source.superscript();
        run.link = source.link();
        if (source.has_attachment_info())
            run.attachment = NoteDocument::AttachmentReference{source.attachment_info().attachment_identifier(),
                                                               source.attachment_info().type_uti()};
        document.runs.push_back(std::move(run));
    }
    return document;
}

} // namespace varnholt::notesdb
