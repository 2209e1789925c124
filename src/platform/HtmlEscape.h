#pragma once

#include <string>
#include <string_view>

namespace varnholt {

// Escapes text for HTML element content and quoted attribute values.
std::string escapeHtml(std::string_view text);
// The same, appended to `out` (for writers that build their output piece by piece).
void appendEscapedHtml(std::string& out, std::string_view text);
// A link target that is safe to put in an href: web, mail, phone and note links
// pass (escaped); anything else (javascript:, data:, vbscript:, ...) gives "".
std::string safeHref(std::string_view url);
// Percent-encodes a relative file path for use in src/href (keeps "/").
std::string encodeRelativeUrl(std::string_view path);

} // namespace varnholt
