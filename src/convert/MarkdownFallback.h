#pragma once

#include <string>
#include <string_view>

namespace varnholt {

// The Markdown made without Python: twenty pattern replacements in a fixed
// order (headings, bold, italic, paragraphs, line breaks, links, then every
// other tag removed and blank-line runs shortened), trimmed at both ends.
// Entities stay as they are. Patterns run on RE2, in time linear in the
// text, so a 50 MB note or a megabyte-long tag cannot exhaust the stack.
std::string simpleHtmlToMarkdown(std::string_view html);

} // namespace varnholt
