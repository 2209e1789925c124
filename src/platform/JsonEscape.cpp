#include "platform/JsonEscape.h"

#include "platform/Utf8.h"

namespace varnholt {

namespace {
bool passesUnchanged(unsigned char c)
{
    return c >= 0x20 && c < 0x80 && c != '"' && c != '\\';
}
} // namespace

void appendJsonString(std::string& out, std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        // Most text is plain ASCII: copy runs of it at once.
        std::size_t run = i;
        while (run < text.size() && passesUnchanged(static_cast<unsigned char>(text[run])))
            ++run;
        out.append(text.data() + i, run - i);
        i = run;
        if (i == text.size())
            break;
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const utf8::Unit unit = utf8::unitAt(text, i);
            if (unit.wellFormed)
                out.append(text.data() + i, unit.length);
            else
                out += "\xEF\xBF\xBD";
            i += unit.length;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
        ++i;
    }
    out += '"';
}

} // namespace varnholt
