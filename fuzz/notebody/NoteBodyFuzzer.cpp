// A note body from the store: gzip around a protobuf note, or anything else a damaged or
// foreign store holds. The input is tried as the stored blob and, since random bytes seldom
// inflate, also compressed first, so the protobuf parser and the readable-run scan see it.

#include "fuzz/FuzzCheck.h"
#include "platform/Gzip.h"
#include "sources/notes/NoteBodyDecoder.h"
#include "sources/notes/ReadableRunScan.h"

#include <cstddef>
#include <cstdint>

namespace {
void checkDocument(const varnholt::notesdb::NoteDocument& document)
{
    for (const auto& run : document.runs) {
        FUZZ_CHECK(run.begin <= run.end);
        FUZZ_CHECK(run.end <= document.text.size());
    }
    (void)document.plainText();
    (void)document.attachments();
}

void decode(std::string_view blob)
{
    (void)varnholt::notesdb::NoteBodyDecoder::decodeNoteBody(blob);
    if (auto document = varnholt::notesdb::NoteBodyDecoder::decodeNoteDocument(blob))
        checkDocument(*document);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varnholt::notesdb;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    decode(bytes);
    decode(deflateGzip(bytes));
    if (auto document = NoteBodyDecoder::parseNoteDocument(bytes))
        checkDocument(*document);
    (void)extractTextFromProtobuf(bytes);
    if (auto pre = NoteBodyDecoder::preformattedText(bytes))
        FUZZ_CHECK(pre->find('<', 5) == pre->size() - 6); // only the closing tag's "<" is left
    return 0;
}
