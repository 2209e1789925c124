#pragma once

#include <string>
#include <string_view>

namespace varnholt {

// What html2text makes of a note loses check boxes, breaks tables on a "|" in a cell and keeps
// every blank <div><br></div> as lines of its own. These two steps, one on the HTML it is given
// and one on its result, keep what it makes otherwise as it is.
class MarkdownPreparation {
public:
    // Check boxes become marks that survive the conversion; inside table cells a "|" is escaped
    // and a line break is written as the text "<br>", so that each row stays one line.
    static std::string prepareHtml(std::string_view html);
    // Items that held a check box become "- [ ] " / "- [x] "; runs of blank lines (and the
    // two-space lines html2text writes for a lone <br>) become one blank line.
    static std::string tidyMarkdown(std::string_view markdown);

    // U+E000 and U+E001 from the private use area: no note text is expected to hold them.
    static constexpr std::string_view kUnchecked = "\xEE\x80\x80";
    static constexpr std::string_view kChecked = "\xEE\x80\x81";
};

} // namespace varnholt
