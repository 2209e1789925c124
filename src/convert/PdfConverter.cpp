#include "convert/PdfConverter.h"

#include "convert/PythonBatch.h"
#include "convert/TemporaryOutput.h"
#include "convert/TextutilConverter.h"
#include "convert/ToolAttempt.h"
#include "platform/Files.h"
#include "platform/Trace.h"
#include "platform/Utf8.h"

#include <filesystem>
#include <fmt/format.h>
#include <memory>

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

// Images and style sheets resolve against each note's own folder (weasyprint's default base).
constexpr const char* kWeasyprintScript = R"PY(import sys
try:
    from weasyprint import HTML
except Exception as error:
    print("weasyprint not available: %s" % error)
    sys.exit(1)
)PY";

constexpr const char* kWeasyprintLoop = R"PY(
for source_path, target_path in jobs:
    try:
        HTML(filename=source_path, encoding="utf-8").write_pdf(target_path + ".part")
        os.replace(target_path + ".part", target_path)
    except Exception as error:
        print("Error converting HTML to PDF: %r: %s" % (source_path, error))
)PY";
} // namespace

std::string PdfConverter::missingBundledCopyLine(const ConversionTools& tools)
{
    if (tools.resourceFolder.empty())
        return "[NotesExporter] This build has no bundled weasyprint; using the user's or the system's";
    return "[NotesExporter] bundled weasyprint not found at: " + tools.bundledWeasyprint();
}

ConversionOutcome PdfConverter::convertAll(const std::vector<Job>& jobs) const
{
    struct Pending {
        const Job* job;
        std::unique_ptr<TemporaryOutput> output;
        bool done = false;
    };
    std::vector<Pending> pending;
    for (const Job& job : jobs) {
        if (m_source == SourceHtml::fixCharsetInPlace)
            fixCharset(job.htmlPath);
        pending.push_back({&job, nullptr, false});
    }

    struct Candidate {
        std::string python;
        ConversionTools::Environment environment;
        const char* name;
    };
    std::vector<Candidate> candidates;
    if (!m_tools.resourceFolder.empty() && exists(m_tools.bundledPython()))
        candidates.push_back({m_tools.bundledPython(), m_tools.bundledEnvironment(), "bundled"});
    for (const std::string& python : m_tools.userPythons)
        if (exists(python))
            candidates.push_back({python, {}, "user"});
    for (const std::string& python : m_tools.systemPythons)
        if (exists(python))
            candidates.push_back({python, {}, "system"});

    static const std::string kScript = std::string(kWeasyprintScript) + PythonBatch::readJobsScript() + kWeasyprintLoop;
    for (const Candidate& candidate : candidates) {
        if (m_stop.stop_requested())
            return {};
        std::vector<std::pair<std::string, std::string>> files;
        for (Pending& note : pending) {
            if (note.done)
                continue;
            note.output = std::make_unique<TemporaryOutput>(note.job->pdfPath);
            files.emplace_back(note.job->htmlPath, note.output->path().string());
        }
        if (files.empty())
            return {};
        const auto result = PythonBatch{candidate.python, candidate.environment, kScript, m_tools.pdfTimeLimit}.run(
            files, std::filesystem::path(files.front().second).parent_path() / "weasyprint-list", m_stop);
        PythonBatch::removeLeftovers(files);
        if (!result) {
            Trace::line(fmt::format("[NotesExporter] {} Python for weasyprint failed: {}", candidate.name,
                                    result.error().description()));
            // Without room for the list of files, no conversion can be written either.
            if (result.error().kind() == ErrorKind::diskFull)
                return tl::unexpected(ErrorPtr(result.error().clone()));
            continue;
        }
        if (result->stopped)
            return {};
        if (result->timedOut)
            Trace::line(fmt::format("[NotesExporter] \u26a0\ufe0f {} ran longer than {:g} s and was stopped",
                                    candidate.python, std::chrono::duration<double>(m_tools.pdfTimeLimit).count()));
        for (Pending& note : pending) {
            if (note.done || !note.output || !note.output->exists())
                continue;
            if (auto committed = note.output->commit(); !committed) {
                Trace::line("[NotesExporter] \u274c " + committed.error().description());
                return tl::unexpected(ErrorPtr(committed.error().clone()));
            }
            note.done = true;
            Trace::line(fmt::format("[NotesExporter] Created PDF with {} Python weasyprint: {}", candidate.name,
                                    note.job->pdfPath));
        }
    }
    for (Pending& note : pending) {
        note.output.reset();
        if (note.done || m_stop.stop_requested())
            continue;
        if (auto converted = convertWithCommands(note.job->htmlPath, note.job->pdfPath); !converted)
            return converted;
    }
    return {};
}

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

ConversionOutcome PdfConverter::convert(const std::string& htmlPath, const std::string& pdfPath) const
{
    if (m_source == SourceHtml::fixCharsetInPlace)
        fixCharset(htmlPath);
    return convertWithCommands(htmlPath, pdfPath);
}

ConversionOutcome PdfConverter::convertWithCommands(const std::string& htmlPath, const std::string& pdfPath) const
{
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
            return {};
        case Outcome::stopped:
            return {};
        case Outcome::outputFailed:
            return tl::unexpected(attempt.outputError());
        case Outcome::launchFailed:
            Trace::line("[NotesExporter] bundled weasyprint failed: " + attempt.launchError());
            break;
        case Outcome::notCreated:
            Trace::line("[NotesExporter] bundled weasyprint exit code: " + std::to_string(attempt.status()));
            break;
        }
    }

    for (const std::string& weasyprint : m_tools.userWeasyprints) {
        if (!exists(weasyprint))
            continue;
        ToolAttempt attempt(weasyprint, weasyprintArguments(htmlPath), {}, m_tools.pdfTimeLimit, m_stop);
        switch (attempt.run(pdfPath)) {
        case Outcome::created:
            Trace::line("[NotesExporter] Created PDF with user weasyprint: " + pdfPath);
            return {};
        case Outcome::stopped:
            return {};
        case Outcome::outputFailed:
            return tl::unexpected(attempt.outputError());
        case Outcome::launchFailed:
            Trace::line("[NotesExporter] user weasyprint failed: " + attempt.launchError());
            break;
        case Outcome::notCreated:
            Trace::line("[NotesExporter] user weasyprint exit code: " + std::to_string(attempt.status()));
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
            return {};
        }
        if (outcome == Outcome::stopped)
            return {};
        if (outcome == Outcome::outputFailed)
            return tl::unexpected(attempt.outputError());
        if (outcome == Outcome::launchFailed)
            Trace::line("[NotesExporter] System weasyprint failed: " + attempt.launchError());
    }

    const std::string rtfPath = rtfFallbackPath(pdfPath);
    auto fallback = TextutilConverter::convert(htmlPath, rtfPath, TextutilFormat::rtf);
    if (fallback) {
        Trace::line("[NotesExporter] Note: PDF conversion requires weasyprint. Created RTF fallback: " + rtfPath);
        return {};
    }
    if (fallback.error().side == ConversionSide::output)
        return tl::unexpected(fallback.error().error);
    return {};
}

} // namespace varnholt
