#include "platform/Utf8.h"

namespace varnholt::utf8 {

namespace {
constexpr char32_t kReplacement = 0xFFFD;

// Length of the well-formed sequence at `position`, or 0 when it is not one.
std::size_t sequenceLength(std::string_view text, std::size_t position)
{
    const Unit unit = unitAt(text, position);
    return unit.wellFormed ? unit.length : 0;
}
} // namespace

Unit unitAt(std::string_view text, std::size_t position)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[position + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80)
        return {1, true};
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        else if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return {1, false};
    }
    for (std::size_t i = 1; i < length; ++i) {
        if (position + i >= text.size())
            return {i, false};
        const unsigned char c = byte(i);
        if (i == 1 ? (c < low || c > high) : (c < 0x80 || c > 0xBF))
            return {i, false};
    }
    return {length, true};
}

bool isValid(std::string_view text)
{
    return validPrefixLength(text) == text.size();
}

std::size_t validPrefixLength(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = sequenceLength(text, i);
        if (length == 0)
            break;
        i += length;
    }
    return i;
}

std::string repaired(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const char c = text[i];
        if (c == '\0') {
            ++i;
            continue;
        }
        if (c == '\r') {
            out.push_back('\n');
            i += (i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            continue;
        }
        const std::size_t length = sequenceLength(text, i);
        if (length == 0) {
            append(out, kReplacement);
            ++i;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

char32_t next(std::string_view text, std::size_t& position)
{
    const std::size_t length = sequenceLength(text, position);
    if (length == 0) {
        ++position;
        return kReplacement;
    }
    const auto byte = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(text[position + i]));
    };
    char32_t cp = 0;
    switch (length) {
    case 1:
        cp = byte(0);
        break;
    case 2:
        cp = ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
        break;
    case 3:
        cp = ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
        break;
    default:
        cp = ((byte(0) & 0x07) << 18) | ((byte(1) & 0x3F) << 12) | ((byte(2) & 0x3F) << 6) | (byte(3) & 0x3F);
        break;
    }
    position += length;
    return cp;
}

void append(std::string& out, char32_t cp)
{
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

std::string_view cut(std::string_view text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    // Only continuation bytes can sit inside a character, and a character is at most four bytes:
    // the walk starts at the last other byte within reach, which always begins a step of `next`.
    const auto isContinuation = [&](std::size_t i) { return (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80; };
    std::size_t start = maxBytes;
    while (start > 0 && maxBytes - start < 3 && isContinuation(start))
        --start;
    if (isContinuation(start))
        return text.substr(0, maxBytes); // no character can reach across the cut
    std::size_t end = start;
    for (;;) {
        std::size_t after = end;
        next(text, after);
        if (after > maxBytes)
            return text.substr(0, end);
        end = after;
    }
}

std::size_t utf16Length(std::string_view text)
{
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size();)
        units += utf16Units(next(text, i));
    return units;
}

std::size_t advanceUtf16(std::string_view text, std::size_t from, std::size_t units)
{
    std::size_t position = from;
    std::size_t counted = 0;
    while (position < text.size() && counted < units)
        counted += utf16Units(next(text, position));
    return position;
}

} // namespace varnholt::utf8
