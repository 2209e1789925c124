#include "convert/HtmlEventParser.h"

#include "platform/Utf8.h"

#include <climits>
#include <cstring>
#include <libxml/HTMLparser.h>
#include <libxml/parserInternals.h>
#include <memory>

namespace varnholt {

namespace {
struct ContextDeleter {
    void operator()(htmlParserCtxt* context) const { htmlFreeParserCtxt(context); }
};
using ParserContext = std::unique_ptr<htmlParserCtxt, ContextDeleter>;

HtmlEventSink& sinkOf(void* context)
{
    auto* parser = static_cast<htmlParserCtxt*>(context);
    return *static_cast<HtmlEventSink*>(parser->_private);
}

std::string_view view(const xmlChar* text)
{
    return text ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

void onStart(void* context, const xmlChar* name, const xmlChar** attributes)
{
    sinkOf(context).startElement(view(name), HtmlAttributes(attributes));
}

void onEnd(void* context, const xmlChar* name)
{
    sinkOf(context).endElement(view(name));
}

void onCharacters(void* context, const xmlChar* text, int length)
{
    sinkOf(context).characters(std::string_view(reinterpret_cast<const char*>(text), static_cast<size_t>(length)));
}

// Script and style bodies arrive here; nobody reads them as text.
void onRawBlock(void*, const xmlChar*, int) {}

void parseChunk(std::string_view html, HtmlEventSink& sink)
{
    ParserContext context(htmlCreateMemoryParserCtxt(html.data(), static_cast<int>(html.size())));
    if (!context)
        return;
    htmlSAXHandler handler;
    std::memset(&handler, 0, sizeof handler);
    handler.initialized = 1;
    handler.startElement = onStart;
    handler.endElement = onEnd;
    handler.characters = onCharacters;
    handler.ignorableWhitespace = onCharacters; // white space is ours to judge
    handler.cdataBlock = onRawBlock;
    std::memcpy(context->sax, &handler, sizeof handler);
    // libxml2 hands the parser context to callbacks when userData is the context itself.
    context->userData = context.get();
    context->_private = &sink;
    htmlCtxtUseOptions(context.get(), HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING |
                                          HTML_PARSE_NONET | HTML_PARSE_NODEFDTD | HTML_PARSE_IGNORE_ENC);
    xmlSwitchEncoding(context.get(), XML_CHAR_ENCODING_UTF8);
    htmlParseDocument(context.get());
}
} // namespace

void HtmlEventParser::parse(std::string_view html, HtmlEventSink& sink)
{
    // libxml2 sets up its globals lazily and without a guard: two threads
    // parsing first at once deadlock inside it. Set them up once, here.
    static const bool initialised = [] {
        xmlInitParser();
        return true;
    }();
    (void)initialised;
    if (html.empty())
        return;
    const std::string clean = utf8::repaired(html);
    if (clean.empty())
        return;
    if (clean.size() <= static_cast<size_t>(INT_MAX)) {
        parseChunk(clean, sink);
        return;
    }
    // The parser counts in int; a document beyond 2 GB is read as far as it can count.
    parseChunk(utf8::cut(clean, static_cast<size_t>(INT_MAX)), sink);
}

} // namespace varnholt
