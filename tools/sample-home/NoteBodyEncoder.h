#pragma once

#include <optional>
#include <string>
#include <vector>

namespace varnholt::sample {

// A stretch of note text with one set of attributes, as the Notes app stores it.
struct BodySegment {
    std::string text;
    std::optional<int> styleType; // 0 title, 1 heading, 2 subheading, 4 monospaced, 100.. lists, 103 checklist
    int indent = 0;
    std::optional<bool> checklistDone;
    int fontWeight = 0; // 1 bold, 2 italic, 3 both
    bool underlined = false;
    bool strikethrough = false;
    std::string link;
    // For an attachment the text is U+FFFC and these name it.
    std::string attachmentIdentifier;
    std::string attachmentType;
};

// A stretch of plain text, with a paragraph style when given.
BodySegment textSegment(std::string text, std::optional<int> styleType = std::nullopt);
// The U+FFFC that stands for an attachment of this identifier and type.
BodySegment attachmentSegment(std::string identifier, std::string typeUti);

// Encodes segments as the note-store protobuf message (text plus attribute runs whose lengths
// count UTF-16 code units), uncompressed.
std::string encodeNoteBody(const std::vector<BodySegment>& segments);
// The same, gzip-compressed, as in ZICNOTEDATA.ZDATA.
std::string encodeCompressedNoteBody(const std::vector<BodySegment>& segments);
// A plain body of a title line and text.
std::string compressedPlainBody(const std::string& title, const std::string& text);

// The object replacement character that stands for an attachment.
inline const std::string kObjectReplacement = "\xEF\xBF\xBC";

} // namespace varnholt::sample
