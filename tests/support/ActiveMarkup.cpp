#include "support/ActiveMarkup.h"

#include <libxml/HTMLparser.h>
#include <libxml/tree.h>

#include <algorithm>
#include <memory>

namespace varnholt::test {

namespace {
using Document = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

Document parse(const std::string& html)
{
    return Document(htmlReadMemory(html.data(), static_cast<int>(html.size()), nullptr, "UTF-8",
                                   HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET),
                    &xmlFreeDoc);
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
    return text;
}

bool isJavascriptUrl(const std::string& value)
{
    // Browsers drop blanks and control characters in a URL's scheme.
    std::string scheme;
    for (const char c : value) {
        if (static_cast<unsigned char>(c) <= 0x20)
            continue;
        scheme += c;
        if (c == ':')
            break;
    }
    return lower(scheme) == "javascript:";
}

void walk(xmlNode* node, std::vector<std::string>& findings)
{
    for (; node; node = node->next) {
        if (node->type == XML_ELEMENT_NODE) {
            const std::string name = lower(reinterpret_cast<const char*>(node->name));
            if (name == "script")
                findings.push_back("script element");
            for (xmlAttr* attribute = node->properties; attribute; attribute = attribute->next) {
                const std::string key = lower(reinterpret_cast<const char*>(attribute->name));
                xmlChar* raw = xmlNodeListGetString(node->doc, attribute->children, 1);
                const std::string value = raw ? reinterpret_cast<const char*>(raw) : "";
                xmlFree(raw);
                if (key.rfind("on", 0) == 0)
                    findings.push_back("attribute " + key + " on <" + name + ">");
                if (isJavascriptUrl(value))
                    findings.push_back("javascript: URL in " + key + " of <" + name + ">");
            }
        }
        walk(node->children, findings);
    }
}
} // namespace

std::vector<std::string> activeMarkup(const std::string& html)
{
    std::vector<std::string> findings;
    Document document = parse(html);
    if (!document)
        return {"unparseable document"};
    walk(xmlDocGetRootElement(document.get()), findings);
    return findings;
}

std::string visibleText(const std::string& html)
{
    Document document = parse(html);
    if (!document)
        return {};
    xmlChar* raw = xmlNodeGetContent(reinterpret_cast<xmlNode*>(xmlDocGetRootElement(document.get())));
    std::string text = raw ? reinterpret_cast<const char*>(raw) : "";
    xmlFree(raw);
    return text;
}

} // namespace varnholt::test
