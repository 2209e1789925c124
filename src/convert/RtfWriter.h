#pragma once

#include "convert/LayoutWriter.h"

#include <string>

namespace varnholt {

// Lays lines out as an RTF 1.x document. Only ASCII is written: every other
// character is a \uN? escape of its UTF-16 code units, so any script and
// emoji reach every reader; links are HYPERLINK fields.
class RtfWriter final : public LayoutWriter {
public:
    RtfWriter();

    void startLine(int lineBreaks, int indent, std::string_view marker) override;
    void text(std::string_view utf8, const TextStyle& style) override;
    void cellSeparator() override;
    void startLink(std::string_view href) override;
    void endLink() override;

    std::string finish();

    // Appends `utf8` as RTF text (escapes, \uN? for everything beyond ASCII).
    static void appendEscaped(std::string& out, std::string_view utf8);

private:
    struct Emitted {
        TextStyle style;
        bool linkColour = false;
    };
    void use(TextStyle style);

    std::string m_out;
    Emitted m_emitted;
    Emitted m_beforeLink;
    bool m_inLink = false;
};

} // namespace varnholt
