#include "convert/PdfConverter.h"

#include "convert/TextutilConverter.h"
#include "convert/ToolAttempt.h"
#include "platform/Files.h"
#include "platform/Trace.h"
#include "platform/Utf8.h"

#include <filesystem>

namespace varnholt {

namespace {
bool exists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

std::vector<std::string> weasyprintArguments(const std::string& htmlPath)
{
    return {"--encoding", "utf-8", htmlPath};
}
} // namespace

PdfConverter::PdfConverter(const ConversionTools& tools, std::stop_token stop, SourceHtml source)
    : m_tools(tools), m_stop(std::move(stop)), m_source(source)
{
}

std::optional<std::string> PdfConverter::withCharset(std::string_view html)
{
    if (html.find("charset=") != std::string_view::npos)
        return std::nullopt;
    constexpr std::string_view kMeta = "<meta charset=\"UTF-8\">\n";
    std::string fixed;
    fixed.reserve(html.size() + 64);
    const auto head = html.find("<head>");
    if (head != std::string_view::npos) {
        const auto after = head + std::string_view("<head>").size();
        fixed.append(html.substr(0, after));
        fixed.append(kMeta);
        fixed.append(html.substr(after));
    } else {
        fixed.append("<head>\n");
        fixed.append(kMeta);
        fixed.append("</head>\n");
        fixed.append(html);
    }
    return fixed;
}

std::string PdfConverter::rtfFallbackPath(const std::string& pdfPath)
{
    // Only the extension: a ".pdf" elsewhere in the path (a folder named
    // "Scans.pdf", the output folder itself) must not send the file elsewhere.
    std::filesystem::path path(pdfPath);
    if (path.extension() == ".pdf")
        path.replace_extension(".rtf");
    else
        path += ".rtf";
    return path.string();
}

void PdfConverter::fixCharset(const std::string& htmlPath) const
{
    auto html = readFile(htmlPath);
    if (!html || !utf8::isValid(*html))
        return;
    if (auto fixed = withCharset(*html))
        (void)writeFileAtomically(htmlPath, *fixed); // the PDF can still be made without it
}

void PdfConverter::convert(const std::string& htmlPath, const std::string& pdfPath) const
{
    if (m_source == SourceHtml::fixCharsetInPlace)
        fixCharset(htmlPath);

    using Outcome = ToolAttempt::Outcome;
    const std::string bundledPython = m_tools.bundledPython();
    const std::string bundledWeasyprint = m_tools.bundledWeasyprint();
    if (!m_tools.resourceFolder.empty() && exists(bundledPython) && exists(bundledWeasyprint)) {
        std::vector<std::string> arguments{bundledWeasyprint};
        for (auto& a : weasyprintArguments(htmlPath))
            arguments.push_back(std::move(a));
        ToolAttempt attempt(bundledPython, std::move(arguments), m_tools.bundledEnvironment(), m_tools.pdfTimeLimit,
                            m_stop);
        switch (attempt.run(pdfPath)) {
        case Outcome::created:
            Trace::line("[NotesExporter] Created PDF with bundled weasyprint: " + pdfPath);
            return;
        case Outcome::stopped:
            return;
        case Outcome::launchFailed:
            Trace::line("[NotesExporter] bundled weasyprint failed: " + attempt.launchError());
            break;
        case Outcome::notCreated:
            Trace::line("[NotesExporter] bundled weasyprint exit code: " + std::to_string(attempt.status()));
            break;
        }
    } else {
        Trace::line("[NotesExporter] bundled weasyprint not found at: " + bundledWeasyprint);
    }

    if (exists(m_tools.developerWeasyprint)) {
        ToolAttempt attempt(m_tools.developerWeasyprint, weasyprintArguments(htmlPath), m_tools.developerEnvironment(),
                            m_tools.pdfTimeLimit, m_stop);
        switch (attempt.run(pdfPath)) {
        case Outcome::created:
            Trace::line("[NotesExporter] Created PDF with dev weasyprint: " + pdfPath);
            return;
        case Outcome::stopped:
            return;
        case Outcome::launchFailed:
            Trace::line("[NotesExporter] dev weasyprint failed: " + attempt.launchError());
            break;
        case Outcome::notCreated:
            Trace::line("[NotesExporter] dev weasyprint exit code: " + std::to_string(attempt.status()));
            break;
        }
    }

    for (const std::string& weasyprint : m_tools.systemWeasyprints) {
        if (!exists(weasyprint))
            continue;
        ToolAttempt attempt(weasyprint, weasyprintArguments(htmlPath), {}, m_tools.pdfTimeLimit, m_stop);
        const Outcome outcome = attempt.run(pdfPath);
        if (outcome == Outcome::created) {
            Trace::line("[NotesExporter] Created PDF with system weasyprint: " + pdfPath);
            return;
        }
        if (outcome == Outcome::stopped)
            return;
        if (outcome == Outcome::launchFailed)
            Trace::line("[NotesExporter] System weasyprint failed: " + attempt.launchError());
    }

    const std::string rtfPath = rtfFallbackPath(pdfPath);
    if (TextutilConverter::convert(htmlPath, rtfPath, TextutilFormat::rtf))
        Trace::line("[NotesExporter] Note: PDF conversion requires weasyprint. Created RTF fallback: " + rtfPath);
}

} // namespace varnholt
