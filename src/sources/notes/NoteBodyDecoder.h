#pragma once

#include "model/notes/NoteDocument.h"

#include <optional>
#include <string>
#include <string_view>

namespace varnholt::notesdb {

// Turns a ZICNOTEDATA.ZDATA blob into text. Pure functions of the bytes.
//
// Routes, in order: gzip is inflated first (a body that fails to inflate gives
// nothing); bytes starting like a protobuf message are parsed as a note, and
// only when they are not one are readable runs scanned out of them; then a
// keyed archive of attributed text (not decodable on this platform); then
// plain UTF-8, returned as a <pre> element.
class NoteBodyDecoder {
public:
    // The note's text for the text files and NDJSON, or absent when nothing could be read.
    [[nodiscard]] static std::optional<std::string> decodeNoteBody(std::string_view blob);

    // The structured note (text, runs, attachment references) for renderers; absent when
    // the blob does not inflate or does not hold a note message.
    [[nodiscard]] static std::optional<NoteDocument> decodeNoteDocument(std::string_view blob);
    // Parses already inflated protobuf bytes.
    [[nodiscard]] static std::optional<NoteDocument> parseNoteDocument(std::string_view protobuf);

    // Keyed-archive attributed text, exported as HTML. This platform has no keyed-archive
    // decoder, so the route always gives nothing and the UTF-8 route follows.
    [[nodiscard]] static std::optional<std::string> attributedTextFromArchive(std::string_view bytes);
    // Valid UTF-8 as "<pre>" + text with < and > escaped + "</pre>"; absent for invalid UTF-8.
    [[nodiscard]] static std::optional<std::string> preformattedText(std::string_view bytes);
};

} // namespace varnholt::notesdb
