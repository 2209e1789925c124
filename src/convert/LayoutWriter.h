#pragma once

#include "convert/TextStyle.h"

#include <string_view>

namespace varnholt {

// What HtmlLayout produces: lines of styled text in reading order. A writer
// turns them into one output format.
class LayoutWriter {
public:
    virtual ~LayoutWriter() = default;
    // A new line begins. `lineBreaks` is how many line ends precede it (0 for
    // the first line, 2 leaves a blank line); `indent` counts nesting levels;
    // `marker` is a list item's bullet, number or check box ("" for none).
    virtual void startLine(int lineBreaks, int indent, std::string_view marker) = 0;
    // Text on the current line; never holds a line feed.
    virtual void text(std::string_view utf8, const TextStyle& style) = 0;
    // The step between two table cells.
    virtual void cellSeparator() = 0;
    // A link around the text that follows, up to endLink(); never spans lines.
    virtual void startLink(std::string_view href) = 0;
    virtual void endLink() = 0;
};

} // namespace varnholt
