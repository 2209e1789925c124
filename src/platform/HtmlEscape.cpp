#include "platform/HtmlEscape.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace varnholt {

std::string escapeHtml(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    appendEscapedHtml(out, text);
    return out;
}

void appendEscapedHtml(std::string& out, std::string_view text)
{
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char* replacement = nullptr;
        switch (text[i]) {
        case '&':
            replacement = "&amp;";
            break;
        case '<':
            replacement = "&lt;";
            break;
        case '>':
            replacement = "&gt;";
            break;
        case '"':
            replacement = "&quot;";
            break;
        case '\'':
            replacement = "&#39;";
            break;
        case '\0':
            replacement = "";
            break;
        default:
            continue;
        }
        out.append(text.data() + start, i - start);
        out += replacement;
        start = i + 1;
    }
    out.append(text.data() + start, text.size() - start);
}

std::string safeHref(std::string_view url)
{
    // Browsers ignore leading blanks and control characters and tabs inside the scheme;
    // judge the scheme the way they would read it.
    std::string scheme;
    size_t i = 0;
    while (i < url.size() && static_cast<unsigned char>(url[i]) <= 0x20)
        ++i;
    for (; i < url.size() && url[i] != ':'; ++i) {
        const auto c = static_cast<unsigned char>(url[i]);
        if (c == '\t' || c == '\n' || c == '\r')
            continue;
        if (c == '/' || c == '?' || c == '#') {
            scheme.clear();
            break;
        }
        scheme += static_cast<char>(std::tolower(c));
    }
    if (i >= url.size())
        scheme.clear(); // no scheme: a relative link
    static constexpr std::array<std::string_view, 7> kAllowed{"http", "https",      "mailto", "tel",
                                                              "sms",  "applenotes", "notes"};
    if (!scheme.empty() && std::find(kAllowed.begin(), kAllowed.end(), scheme) == kAllowed.end())
        return {};
    return escapeHtml(url);
}

std::string encodeRelativeUrl(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : path) {
        if (std::isalnum(c) || c == '/' || c == '-' || c == '_' || c == '.' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

} // namespace varnholt
