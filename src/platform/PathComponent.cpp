#include "platform/PathComponent.h"

namespace varnholt {

namespace {
std::size_t characterLength(const std::string& text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    if (i + length > text.size())
        return 1;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 1;
    return length;
}
} // namespace

std::string safePathComponent(const std::string& name, const std::string& fallback, std::size_t maxBytes)
{
    std::string out;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t length = characterLength(name, i);
        const auto c = static_cast<unsigned char>(name[i]);
        std::string piece = name.substr(i, length);
        if (length == 1 && (c == '/' || c == ':' || c < 0x20 || c == 0x7F))
            piece = "-";
        else if (length == 1 && c >= 0x80)
            piece = "\xEF\xBF\xBD"; // a stray byte becomes U+FFFD so the name stays valid UTF-8
        // Bidirectional overrides would make a listed name read differently from what it is.
        if (piece == "\xE2\x80\xAE" || piece == "\xE2\x80\xAD" || piece == "\xE2\x81\xA6" ||
            piece == "\xE2\x81\xA7" || piece == "\xE2\x81\xA8" || piece == "\xE2\x81\xA9")
            piece = "-";
        if (out.size() + piece.size() > maxBytes)
            break;
        out += piece;
        i += length;
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\t'))
        out.pop_back();
    if (out.empty())
        return fallback;
    if (out.front() == '.') {
        out.insert(out.begin(), '_');
        // The "_" must not take the name past its limit: give back the last whole character.
        while (out.size() > maxBytes) {
            while ((static_cast<unsigned char>(out.back()) & 0xC0) == 0x80)
                out.pop_back();
            out.pop_back();
        }
    }
    return out;
}

} // namespace varnholt
