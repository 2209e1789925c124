// A note body, as any store may hold it, rendered as the HTML page a user opens in a browser:
// whatever the body says, the page must not run anything.

#include "fuzz/FuzzCheck.h"
#include "platform/Gzip.h"
#include "render/notes/NoteHtmlRenderer.h"
#include "sources/notes/NoteBodyDecoder.h"
#include "support/ActiveMarkup.h"

#include <cstddef>
#include <cstdint>
#include <libxml/parser.h>

namespace {
varnholt::RenderedAttachment resolve(const varnholt::notesdb::NoteDocument::AttachmentReference& reference)
{
    // The attachment's own identifier and type choose how it is shown and what it is called.
    using Kind = varnholt::RenderedAttachment::Kind;
    varnholt::RenderedAttachment rendered;
    const size_t pick = reference.identifier.size() % 5;
    rendered.kind = pick == 0   ? Kind::image
                    : pick == 1 ? Kind::file
                    : pick == 2 ? Kind::table
                    : pick == 3 ? Kind::inlineText
                                : Kind::missing;
    rendered.relativePath = "Note_files/" + reference.identifier;
    rendered.name = reference.typeUti;
    return rendered;
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    xmlInitParser();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varnholt;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::optional<notesdb::NoteDocument> document = notesdb::NoteBodyDecoder::parseNoteDocument(bytes);
    if (!document && notesdb::looksLikeGzip(bytes))
        document = notesdb::NoteBodyDecoder::decodeNoteDocument(bytes);
    if (!document)
        return 0;
    const NoteHtmlRenderer renderer(resolve);
    const std::string body = renderer.renderBody(*document);
    const std::string title = document->text.substr(0, std::min<size_t>(document->text.size(), 80));
    const std::string page = NoteHtmlRenderer::page(title, body);
    const std::vector<std::string> active = test::activeMarkup(page);
    if (!active.empty())
        std::fprintf(stderr, "active markup: %s\n", active.front().c_str());
    FUZZ_CHECK(active.empty());
    return 0;
}
