#pragma once

#include "convert/HtmlEventSink.h"
#include "convert/LayoutWriter.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// Reads HTML the way a browser lays it out for a reader and tells a
// LayoutWriter what to show: blocks and <br> end lines, paragraphs leave a
// blank line, list items get "• ", their number or a check box ("☐ "/"☑ "),
// table cells are separated, <pre> keeps its white space, elsewhere runs of
// white space become one space. Head, script and style are not shown.
class HtmlLayout final : public HtmlEventSink {
public:
    explicit HtmlLayout(LayoutWriter& writer) : m_writer(writer) {}

    static void layOut(std::string_view html, LayoutWriter& writer);

    void startElement(std::string_view name, const HtmlAttributes& attributes) override;
    void endElement(std::string_view name) override;
    void characters(std::string_view text) override;
    // Closes what the document left open (a link, an empty list item).
    void finish();

private:
    enum Effect : std::uint32_t {
        bold = 1u << 0,
        italic = 1u << 1,
        underline = 1u << 2,
        strikethrough = 1u << 3,
        monospace = 1u << 4,
        heading = 1u << 5,
        hidden = 1u << 6,
        preformatted = 1u << 7,
        link = 1u << 8,
        list = 1u << 9,
        listItem = 1u << 10,
        cell = 1u << 11,
        row = 1u << 12,
        quote = 1u << 13,
    };
    struct OpenElement {
        std::string name;
        std::uint32_t effects = 0;
        int breakAfter = 0;
    };
    struct ElementRule {
        std::uint32_t effects = 0;
        int breakBefore = 0;
        int breakAfter = 0;
    };
    static const ElementRule* ruleFor(std::string_view name);
    static std::uint32_t styleEffects(const HtmlAttributes& attributes);

    enum class ListKind { bulleted, numbered, checklist };
    struct ListLevel {
        ListKind kind = ListKind::bulleted;
        long next = 1;
        char numbering = '1';
    };

    void open(std::uint32_t effects, const HtmlAttributes& attributes, std::string_view name);
    void close(const OpenElement& element);
    void startListItem(const HtmlAttributes& attributes);
    void checkbox(const HtmlAttributes& attributes);
    void preformattedText(std::string_view text);
    void flowingText(std::string_view text);

    void requestBreak(int lineBreaks);
    void hardBreak();
    void softSpace();
    void emitText(std::string_view text);
    void beginContent();
    void emitPendingMarker();
    int indent() const;
    TextStyle currentStyle() const;

    LayoutWriter& m_writer;
    std::vector<OpenElement> m_open;
    std::vector<ListLevel> m_lists;
    std::vector<int> m_rowCells;
    std::vector<int> m_headingSizes;
    int m_hidden = 0;
    int m_preformatted = 0;
    bool m_preformattedStart = false;
    int m_cells = 0;
    int m_quotes = 0;
    int m_bold = 0;
    int m_italic = 0;
    int m_underline = 0;
    int m_strikethrough = 0;
    int m_monospace = 0;

    bool m_started = false; // something has been shown
    bool m_lineHasContent = false;
    int m_pendingBreaks = 0;
    bool m_pendingSpace = false;
    std::optional<std::string> m_marker; // waiting for the first line of its item
    std::optional<std::string> m_linkHref;
    bool m_linkOpen = false;
};

} // namespace varnholt
