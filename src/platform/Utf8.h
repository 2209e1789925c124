#pragma once

#include <string>
#include <string_view>

namespace varnholt::utf8 {

bool isValid(std::string_view text);
// Length of the longest prefix of `text` that is valid UTF-8.
std::size_t validPrefixLength(std::string_view text);

// The bytes at `position` that one decoding step takes: a well-formed sequence, or else the longest start of
// one that the text breaks off (at least one byte), which stands for one U+FFFD. This is Unicode's "maximal
// subpart" practice, the one JSON serialisers follow when they replace invalid bytes.
struct Unit {
    std::size_t length = 0;
    bool wellFormed = false;
};
Unit unitAt(std::string_view text, std::size_t position);

// Text any parser can take: invalid byte sequences become U+FFFD (so the
// words around them survive), NUL bytes are dropped and line ends become "\n".
std::string repaired(std::string_view text);

// Decodes the code point starting at `position` of valid UTF-8 and moves past
// it; an invalid byte decodes as U+FFFD and is stepped over alone.
char32_t next(std::string_view text, std::size_t& position);

void append(std::string& out, char32_t codePoint);

// The longest prefix of at most `maxBytes` bytes that splits no character.
std::string_view cut(std::string_view text, std::size_t maxBytes);

// UTF-16 code units of a code point (two for a surrogate pair).
constexpr std::size_t utf16Units(char32_t codePoint)
{
    return codePoint >= 0x10000 ? 2 : 1;
}
// UTF-16 code units of a text, each invalid byte counting as one (as the U+FFFD it decodes to).
std::size_t utf16Length(std::string_view text);
// The byte offset reached from `from` after `units` UTF-16 code units; a surrogate pair is
// never split, so the offset may pass `units` by one unit.
std::size_t advanceUtf16(std::string_view text, std::size_t from, std::size_t units);

} // namespace varnholt::utf8
