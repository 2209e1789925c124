#include "sample-home/NoteBodyEncoder.h"

#include "platform/Gzip.h"
#include "platform/Utf8.h"
#include "sources/notes/notestore.pb.h"

#include <stdexcept>

namespace varnholt::sample {

namespace {
std::string checklistUuid(std::size_t index)
{
    std::string uuid(16, '\0');
    for (std::size_t i = 0; i < uuid.size(); ++i)
        uuid[i] = static_cast<char>((index * 31 + i * 7 + 1) & 0xFF);
    return uuid;
}
} // namespace

std::string encodeNoteBody(const std::vector<BodySegment>& segments)
{
    notestore::NoteStoreProto proto;
    proto.set_version(0);
    notestore::Document* document = proto.mutable_document();
    document->set_flags(0);
    document->set_version(0);
    notestore::Note* note = document->mutable_note();
    std::string text;
    std::size_t index = 0;
    for (const BodySegment& segment : segments) {
        text += segment.text;
        notestore::AttributeRun* run = note->add_attribute_run();
        run->set_length(static_cast<std::uint32_t>(utf8::utf16Length(segment.text)));
        if (segment.styleType || segment.indent || segment.checklistDone) {
            notestore::ParagraphStyle* style = run->mutable_paragraph_style();
            if (segment.styleType)
                style->set_style_type(*segment.styleType);
            if (segment.indent)
                style->set_indent_amount(segment.indent);
            if (segment.checklistDone) {
                style->mutable_checklist()->set_uuid(checklistUuid(index));
                style->mutable_checklist()->set_done(*segment.checklistDone ? 1 : 0);
            }
        }
        if (segment.fontWeight)
            run->set_font_weight(segment.fontWeight);
        if (segment.underlined)
            run->set_underlined(1);
        if (segment.strikethrough)
            run->set_strikethrough(1);
        if (!segment.link.empty())
            run->set_link(segment.link);
        if (!segment.attachmentType.empty()) {
            run->mutable_attachment_info()->set_attachment_identifier(segment.attachmentIdentifier);
            run->mutable_attachment_info()->set_type_uti(segment.attachmentType);
        }
        run->set_timestamp(1709647402 + index);
        ++index;
    }
    note->set_note_text(text);
    std::string bytes;
    if (!proto.SerializeToString(&bytes))
        throw std::runtime_error("could not encode a sample note body");
    return bytes;
}

std::string encodeCompressedNoteBody(const std::vector<BodySegment>& segments)
{
    return notesdb::deflateGzip(encodeNoteBody(segments));
}

std::string compressedPlainBody(const std::string& title, const std::string& text)
{
    BodySegment heading;
    heading.text = title + "\n";
    heading.styleType = 0;
    BodySegment body;
    body.text = text;
    return encodeCompressedNoteBody({heading, body});
}

BodySegment textSegment(std::string text, std::optional<int> styleType)
{
    BodySegment segment;
    segment.text = std::move(text);
    segment.styleType = styleType;
    return segment;
}

BodySegment attachmentSegment(std::string identifier, std::string typeUti)
{
    BodySegment segment = textSegment(kObjectReplacement);
    segment.attachmentIdentifier = std::move(identifier);
    segment.attachmentType = std::move(typeUti);
    return segment;
}

} // namespace varnholt::sample
