#pragma once

#include "convert/LayoutWriter.h"

#include <string>

namespace varnholt {

// Lays lines out as UTF-8 plain text: nesting as tabs, cells separated by tabs.
class PlainTextWriter final : public LayoutWriter {
public:
    void startLine(int lineBreaks, int indent, std::string_view marker) override;
    void text(std::string_view utf8, const TextStyle& style) override;
    void cellSeparator() override;
    void startLink(std::string_view) override {}
    void endLink() override {}

    // The text, ending in one line feed (empty for a document that shows nothing).
    std::string finish();

private:
    std::string m_out;
};

} // namespace varnholt
