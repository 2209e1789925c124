#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace varnholt {

// The text of a message whose `text` column is NULL, from its `attributedBody`
// blob: the archived string itself, whole (any script, emoji, line breaks and the
// U+FFFC attachment placeholders), or, when the blob is no readable archive,
// what the printable-ASCII scan below finds.
std::optional<std::string> messageTextFromAttributedBody(std::string_view blob);

// The fallback scan: the first run of printable ASCII (joined with up to three
// stray printable bytes before it), trimmed; nothing when it is shorter than
// three characters or looks like archive structure rather than text.
std::optional<std::string> extractTextFromAttributedBody(std::string_view blob);

} // namespace varnholt
