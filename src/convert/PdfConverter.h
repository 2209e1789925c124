#pragma once

#include "convert/ConversionTools.h"

#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

namespace varnholt {

// Whether the PDF step may add a charset declaration to the HTML it reads.
// The export's own HTML may be fixed; HTML the user pointed us at is left
// alone (weasyprint is told the encoding anyway).
enum class SourceHtml { fixCharsetInPlace, leaveUntouched };

// HTML to PDF through the first weasyprint that works: the bundled one, the
// developer's, then the system's; without any, an RTF beside where the PDF
// would have been.
class PdfConverter {
public:
    PdfConverter(const ConversionTools& tools, std::stop_token stop, SourceHtml source);

    // Never throws; every outcome is logged.
    void convert(const std::string& htmlPath, const std::string& pdfPath) const;

    // The HTML with a UTF-8 charset declaration added, or nothing when it
    // already names a charset (and so needs no change).
    static std::optional<std::string> withCharset(std::string_view html);
    // Where the RTF fallback goes: the PDF path with its ".pdf" extension
    // (only that one) replaced by ".rtf".
    static std::string rtfFallbackPath(const std::string& pdfPath);

private:
    void fixCharset(const std::string& htmlPath) const;

    const ConversionTools& m_tools;
    std::stop_token m_stop;
    SourceHtml m_source;
};

} // namespace varnholt
