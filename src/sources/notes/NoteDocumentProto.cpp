#include "sources/notes/NoteDocumentProto.h"

#include "sources/notes/notestore.pb.h"

#include <algorithm>

namespace varnholt::notesdb {

namespace {
// Length in bytes of the UTF-8 sequence starting at `i`, and how many UTF-16 code units it makes.
// A byte that does not start a valid sequence counts as one byte and one unit, so damaged text
// shifts no later boundary by more than itself.
struct Step {
    std::size_t bytes;
    std::size_t units;
};

Step utf8Step(std::string_view text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else if (lead >= 0xE0)
        length = 3;
    else if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    if (length == 1 || i + length > text.size())
        return {1, 1};
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return {1, 1};
    return {length, length == 4 ? 2u : 1u};
}

// Byte offset reached after advancing `units` UTF-16 code units from `from`.
std::size_t advanceUnits(std::string_view text, std::size_t from, std::size_t units)
{
    std::size_t i = from;
    std::size_t counted = 0;
    while (i < text.size() && counted < units) {
        const Step step = utf8Step(text, i);
        i += step.bytes;
        counted += step.units;
    }
    return i;
}

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
    const notestore::Note& note = proto.document().note();

    NoteDocument document;
    document.text = note.note_text();
    document.runs.reserve(static_cast<std::size_t>(note.attribute_run_size()));
    std::size_t offset = 0;
    for (const notestore::AttributeRun& source : note.attribute_run()) {
        NoteDocument::Run run;
        run.begin = offset;
        run.end = advanceUnits(document.text, offset, source.length());
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
