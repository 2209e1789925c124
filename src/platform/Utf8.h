#pragma once

#include <string>
#include <string_view>

namespace varnholt::utf8 {

bool isValid(std::string_view text);

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

} // namespace varnholt::utf8
