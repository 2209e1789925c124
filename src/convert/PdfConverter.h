#pragma once

#include "convert/ConversionFailure.h"
#include "convert/ConversionTools.h"

#include <optional>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace varnholt {

// Whether the PDF step may add a charset declaration to the HTML it reads.
// The export's own HTML may be fixed; HTML the user pointed us at is left
// alone (weasyprint is told the encoding anyway).
enum class SourceHtml { fixCharsetInPlace, leaveUntouched };

// HTML to PDF through weasyprint. A list of notes goes to one Python that
// imports weasyprint once (the bundled Python, the user's, then the
// system's); what none of them made goes, file by file, through the first
// weasyprint command that works (bundled, user's, system's); without any,
// an RTF beside where the PDF would have been.
class PdfConverter {
public:
    PdfConverter(const ConversionTools& tools, std::stop_token stop, SourceHtml source);

    struct Job {
        std::string htmlPath;
        std::string pdfPath;
    };

    // Never throws; every outcome is logged. Each PDF appears whole or not at all. Fails with the
    // first output that could not be written; a note that cannot be converted costs only its PDF.
    [[nodiscard]] ConversionOutcome convertAll(const std::vector<Job>& jobs) const;
    // One file through the commands alone.
    [[nodiscard]] ConversionOutcome convert(const std::string& htmlPath, const std::string& pdfPath) const;

    // Said once per conversion run rather than once per file: where the bundled weasyprint
    // would be, or that this build has none.
    static std::string missingBundledCopyLine(const ConversionTools& tools);

    // The HTML with a UTF-8 charset declaration added, or nothing when it
    // already names a charset (and so needs no change).
    static std::optional<std::string> withCharset(std::string_view html);
    // Where the RTF fallback goes: the PDF path with its ".pdf" extension
    // (only that one) replaced by ".rtf".
    static std::string rtfFallbackPath(const std::string& pdfPath);

private:
    void fixCharset(const std::string& htmlPath) const;
    ConversionOutcome convertWithCommands(const std::string& htmlPath, const std::string& pdfPath) const;

    const ConversionTools& m_tools;
    std::stop_token m_stop;
    SourceHtml m_source;
};

} // namespace varnholt
