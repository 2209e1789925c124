#include "sources/notes/NoteBodyDecoder.h"

#include "platform/Gzip.h"
#include "platform/Utf8.h"
#include "sources/notes/NoteDocumentProto.h"
#include "sources/notes/ReadableRunScan.h"
#include "sources/notes/notestore.pb.h"

#include <limits>

namespace varnholt::notesdb {

namespace {
constexpr unsigned char kProtobufFieldOneVarint = 0x08;

void appendEscaped(std::string& out, std::string_view text)
{
    for (const char c : text) {
        if (c == '<')
            out += "&lt;";
        else if (c == '>')
            out += "&gt;";
        else
            out += c;
    }
}
} // namespace

std::optional<NoteDocument> NoteBodyDecoder::parseNoteDocument(std::string_view protobuf)
{
    if (protobuf.size() > static_cast<std::size_t>(std::numeric_limits<int>::max()))
        return std::nullopt;
    notestore::NoteStoreProto proto;
    if (!proto.ParseFromArray(protobuf.data(), static_cast<int>(protobuf.size())))
        return std::nullopt;
    return noteDocumentFromProto(proto);
}

std::optional<NoteDocument> NoteBodyDecoder::decodeNoteDocument(std::string_view blob)
{
    if (!looksLikeGzip(blob))
        return parseNoteDocument(blob);
    const std::optional<std::string> inflated = inflateGzip(blob);
    if (!inflated)
        return std::nullopt;
    return parseNoteDocument(*inflated);
}

std::optional<std::string> NoteBodyDecoder::decodeNoteBody(std::string_view blob)
{
    std::string inflated;
    std::string_view bytes = blob;
    if (looksLikeGzip(blob)) {
        std::optional<std::string> result = inflateGzip(blob);
        if (!result)
            return std::nullopt;
        inflated = std::move(*result);
        bytes = inflated;
    }

    if (!bytes.empty() && static_cast<unsigned char>(bytes.front()) == kProtobufFieldOneVarint) {
        if (std::optional<NoteDocument> document = parseNoteDocument(bytes))
            return document->plainText();
        return extractTextFromProtobuf(bytes);
    }
    if (std::optional<std::string> html = attributedTextFromArchive(bytes))
        return html;
    return preformattedText(bytes);
}

std::optional<std::string> NoteBodyDecoder::attributedTextFromArchive(std::string_view)
{
    return std::nullopt;
}

std::optional<std::string> NoteBodyDecoder::preformattedText(std::string_view bytes)
{
    if (!utf8::isValid(bytes))
        return std::nullopt;
    std::string out = "<pre>";
    out.reserve(bytes.size() + 11);
    appendEscaped(out, bytes);
    out += "</pre>";
    return out;
}

} // namespace varnholt::notesdb
