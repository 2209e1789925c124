#include "platform/FileNameRule.h"

#include "platform/Utf8.h"

namespace varnholt {

namespace {
bool isAlwaysReplaced(char32_t c)
{
    return c == '/' || c == '\\' || c == ':' || c < 0x20 || (c >= 0x7F && c <= 0x9F) || (c >= 0x202A && c <= 0x202E) ||
           (c >= 0x2066 && c <= 0x2069);
}

void dropTrailingSpaces(std::string& name)
{
    while (!name.empty() && name.back() == ' ')
        name.pop_back();
}
} // namespace

FileNameRule::FileNameRule(std::string fallback, std::size_t maxBytes)
    : m_fallback(std::move(fallback)), m_maxBytes(maxBytes)
{
}

FileNameRule& FileNameRule::replacingWith(char replacement)
{
    m_replacement = replacement;
    return *this;
}

FileNameRule& FileNameRule::alsoReplacing(std::string_view asciiCharacters)
{
    m_alsoReplaced = asciiCharacters;
    return *this;
}

FileNameRule& FileNameRule::keepingAtMost(std::size_t characters)
{
    m_maxCharacters = characters;
    return *this;
}

FileNameRule& FileNameRule::droppingTrailingSpaces()
{
    m_dropTrailingSpaces = true;
    return *this;
}

std::string FileNameRule::apply(std::string_view name) const
{
    std::string out;
    std::size_t characters = 0;
    // Past the byte limit nothing more can be kept; one byte more tells a cut name from a whole one.
    for (std::size_t i = 0; i < name.size() && characters < m_maxCharacters && out.size() <= m_maxBytes; ++characters) {
        const char32_t c = utf8::next(name, i);
        if (isAlwaysReplaced(c) || (c < 0x80 && m_alsoReplaced.find(static_cast<char>(c)) != std::string::npos))
            out += m_replacement;
        else
            utf8::append(out, c);
    }
    if (m_dropTrailingSpaces)
        dropTrailingSpaces(out);
    if (out.empty())
        return m_fallback;
    if (out.front() == '.')
        out.insert(out.begin(), '_');
    out.resize(utf8::cut(out, m_maxBytes).size());
    if (m_dropTrailingSpaces)
        dropTrailingSpaces(out);
    return out.empty() ? m_fallback : out;
}

} // namespace varnholt
