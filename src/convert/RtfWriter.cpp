#include "convert/RtfWriter.h"

#include "platform/Utf8.h"

namespace varnholt {

namespace {
constexpr int kIndentTwips = 720;

// A link target inside the field instruction's quotes: nothing in it may end the quotes or start a switch.
std::string fieldTarget(std::string_view href)
{
    std::string cleaned;
    for (char c : href) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"')
            cleaned += "%22";
        else if (c == '\\')
            cleaned += "%5C";
        else if (byte >= 0x20 && byte != 0x7F)
            cleaned.push_back(c);
    }
    std::string out;
    RtfWriter::appendEscaped(out, cleaned);
    return out;
}
} // namespace

RtfWriter::RtfWriter()
{
    m_out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1"
            "{\\fonttbl{\\f0\\fswiss\\fcharset0 Helvetica;}{\\f1\\fmodern\\fcharset0 Courier New;}}"
            "{\\colortbl;\\red0\\green0\\blue238;}\n"
            "\\pard\\plain\\f0\\fs24 ";
}

void RtfWriter::startLine(int lineBreaks, int indent, std::string_view marker)
{
    for (int i = 0; i < lineBreaks; ++i)
        m_out += "\\par\n";
    if (lineBreaks > 0 || indent > 0) {
        m_out += "\\pard";
        if (indent > 0)
            m_out += "\\li" + std::to_string(indent * kIndentTwips);
        m_out += ' ';
    }
    if (!marker.empty()) {
        use(TextStyle{});
        appendEscaped(m_out, marker);
    }
}

void RtfWriter::text(std::string_view utf8, const TextStyle& style)
{
    use(style);
    appendEscaped(m_out, utf8);
}

void RtfWriter::cellSeparator()
{
    m_out += "\\tab ";
}

void RtfWriter::startLink(std::string_view href)
{
    m_out += "{\\field{\\*\\fldinst{HYPERLINK \"" + fieldTarget(href) + "\"}}{\\fldrslt{";
    m_beforeLink = m_emitted;
    m_inLink = true;
}

void RtfWriter::endLink()
{
    m_out += "}}}";
    // The groups took their formatting with them.
    m_emitted = m_beforeLink;
    m_inLink = false;
}

void RtfWriter::use(TextStyle style)
{
    if (m_inLink)
        style.underline = true;
    std::string words;
    const TextStyle& now = m_emitted.style;
    if (style.bold != now.bold)
        words += style.bold ? "\\b" : "\\b0";
    if (style.italic != now.italic)
        words += style.italic ? "\\i" : "\\i0";
    if (style.underline != now.underline)
        words += style.underline ? "\\ul" : "\\ulnone";
    if (style.strikethrough != now.strikethrough)
        words += style.strikethrough ? "\\strike" : "\\strike0";
    if (style.monospace != now.monospace)
        words += style.monospace ? "\\f1" : "\\f0";
    if (style.size != now.size)
        words += "\\fs" + std::to_string(style.size);
    if (m_inLink != m_emitted.linkColour)
        words += m_inLink ? "\\cf1" : "\\cf0";
    if (words.empty())
        return;
    m_out += words;
    m_out += ' ';
    m_emitted.style = style;
    m_emitted.linkColour = m_inLink;
}

std::string RtfWriter::finish()
{
    if (m_inLink)
        endLink();
    m_out += "\n}\n";
    return std::move(m_out);
}

void RtfWriter::appendEscaped(std::string& out, std::string_view utf8)
{
    std::size_t position = 0;
    while (position < utf8.size()) {
        // Plain ASCII goes over as it is, a run at a time.
        std::size_t run = position;
        while (run < utf8.size()) {
            const auto c = static_cast<unsigned char>(utf8[run]);
            if (c < 0x20 || c >= 0x7F || c == '\\' || c == '{' || c == '}')
                break;
            ++run;
        }
        out.append(utf8.substr(position, run - position));
        position = run;
        if (position >= utf8.size())
            break;
        const char32_t cp = utf8::next(utf8, position);
        if (cp == '\\' || cp == '{' || cp == '}') {
            out.push_back('\\');
            out.push_back(static_cast<char>(cp));
        } else if (cp == '\t') {
            out += "\\tab ";
        } else if (cp == '\n') {
            out += "\\line ";
        } else if (cp < 0x20 || cp == 0x7F) {
            continue; // control characters have no place in text
        } else if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else {
            // RTF reads N as a signed 16-bit number: code units above 32767 are written negative.
            auto unit = [&out](unsigned value) {
                out += "\\u";
                out += std::to_string(value > 32767 ? static_cast<int>(value) - 65536 : static_cast<int>(value));
                out += '?';
            };
            if (cp >= 0x10000) {
                const char32_t v = cp - 0x10000;
                unit(0xD800 + static_cast<unsigned>(v >> 10));
                unit(0xDC00 + static_cast<unsigned>(v & 0x3FF));
            } else {
                unit(static_cast<unsigned>(cp));
            }
        }
    }
}

} // namespace varnholt
