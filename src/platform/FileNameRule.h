#pragma once

#include <cstddef>
#include <limits>
#include <string>
#include <string_view>

namespace varnholt {

// How a name from the user's data (a conversation, note, folder, account, attachment or
// recording) becomes one file or folder name of an export. Every exporter goes through it, so a
// name can never climb out of its folder, hide itself or read differently from what it is:
// - "/", "\", ":", control characters (C0, DEL, C1) and the bidirectional embeddings, overrides
//   and isolates (U+202A-U+202E, U+2066-U+2069) become "-" or the caller's replacement, as do
//   the characters the caller also avoids;
// - bytes that are not UTF-8 become U+FFFD, so the name is valid UTF-8 as a Mac volume demands;
// - a name that starts with "." (so also "." and "..") gets "_" in front, to stay visible;
// - at most the caller's number of characters and bytes are kept, cut between characters;
// - nothing left gives the fallback.
// The callers differ only where their earlier outputs did, so that exports stay comparable.
class FileNameRule {
public:
    FileNameRule(std::string fallback, std::size_t maxBytes);

    FileNameRule& replacingWith(char replacement);
    FileNameRule& alsoReplacing(std::string_view asciiCharacters);
    FileNameRule& keepingAtMost(std::size_t characters);
    FileNameRule& droppingTrailingSpaces();

    std::string apply(std::string_view name) const;

private:
    std::string m_fallback;
    std::size_t m_maxBytes;
    std::size_t m_maxCharacters = std::numeric_limits<std::size_t>::max();
    char m_replacement = '-';
    std::string m_alsoReplaced;
    bool m_dropTrailingSpaces = false;
};

} // namespace varnholt
