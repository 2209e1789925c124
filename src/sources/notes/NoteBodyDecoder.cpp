#include "sources/notes/NoteBodyDecoder.h"

#include "platform/Gzip.h"
#include "sources/notes/ReadableRunScan.h"
#include "sources/notes/NoteDocumentProto.h"
#include "sources/notes/notestore.pb.h"

#include <limits>

namespace varnholt::notesdb {

namespace {
constexpr unsigned char kProtobufFieldOneVarint = 0x08;

bool isValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0)
                low = 0xA0; // no overlong forms
            if (lead == 0xED)
                high = 0x9F; // no surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0)
                low = 0x90;
            if (lead == 0xF4)
                high = 0x8F; // nothing beyond U+10FFFF
        } else {
            return false;
        }
        if (i + length > text.size())
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto b = static_cast<unsigned char>(text[i + k]);
            const unsigned char min = k == 1 ? low : 0x80;
            const unsigned char max = k == 1 ? high : 0xBF;
            if (b < min || b > max)
                return false;
        }
        i += length;
    }
    return true;
}

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
    if (!isValidUtf8(bytes))
        return std::nullopt;
    std::string out = "<pre>";
    out.reserve(bytes.size() + 11);
    appendEscaped(out, bytes);
    out += "</pre>";
    return out;
}

} // namespace varnholt::notesdb
