#include "convert/MarkdownConverter.h"

#include "convert/MarkdownFallback.h"
#include "convert/MarkdownScript.h"
#include "convert/ToolAttempt.h"
#include "platform/Files.h"
#include "platform/Trace.h"

#include <filesystem>

namespace varnholt {

namespace {
bool exists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

std::vector<std::string> scriptArguments(MarkdownScript variant, const std::string& htmlPath)
{
    return {"-c", markdownScriptText(variant), htmlPath};
}
} // namespace

MarkdownConverter::MarkdownConverter(const ConversionTools& tools, std::stop_token stop)
    : m_tools(tools), m_stop(std::move(stop))
{
}

void MarkdownConverter::convert(const std::string& htmlPath, const std::string& markdownPath) const
{
    using Outcome = ToolAttempt::Outcome;
    const std::string bundledPython = m_tools.bundledPython();
    if (!m_tools.resourceFolder.empty() && exists(bundledPython)) {
        ToolAttempt attempt(bundledPython, scriptArguments(MarkdownScript::bundled, htmlPath),
                            m_tools.bundledEnvironment(), m_tools.markdownTimeLimit, m_stop);
        switch (attempt.run(markdownPath)) {
        case Outcome::created:
            Trace::line("[NotesExporter] Created Markdown with bundled Python: " + markdownPath);
            return;
        case Outcome::stopped:
            return;
        case Outcome::launchFailed:
            Trace::line("[NotesExporter] bundled Python markdown conversion failed: " + attempt.launchError());
            break;
        case Outcome::notCreated:
            Trace::line("[NotesExporter] bundled Python markdown conversion exit code: " +
                        std::to_string(attempt.status()));
            break;
        }
    }

    if (exists(m_tools.developerPython)) {
        ToolAttempt attempt(m_tools.developerPython, scriptArguments(MarkdownScript::developer, htmlPath),
                            m_tools.developerEnvironment(), m_tools.markdownTimeLimit, m_stop);
        switch (attempt.run(markdownPath)) {
        case Outcome::created:
            Trace::line("[NotesExporter] Created Markdown with dev Python: " + markdownPath);
            return;
        case Outcome::stopped:
            return;
        case Outcome::launchFailed:
            Trace::line("[NotesExporter] dev Python markdown conversion failed: " + attempt.launchError());
            break;
        case Outcome::notCreated:
            Trace::line("[NotesExporter] dev Python markdown conversion exit code: " +
                        std::to_string(attempt.status()));
            break;
        }
    }

    for (const std::string& python : m_tools.systemPythons) {
        if (!exists(python))
            continue;
        ToolAttempt attempt(python, scriptArguments(MarkdownScript::system, htmlPath), {}, m_tools.markdownTimeLimit,
                            m_stop);
        const Outcome outcome = attempt.run(markdownPath);
        if (outcome == Outcome::created) {
            Trace::line("[NotesExporter] Created Markdown with system Python: " + markdownPath);
            return;
        }
        if (outcome == Outcome::stopped)
            return;
        if (outcome == Outcome::launchFailed)
            Trace::line("[NotesExporter] System Python markdown conversion failed: " + attempt.launchError());
    }

    Trace::line("[NotesExporter] No Python with html2text found, using simple HTML stripping fallback");
    convertWithoutPython(htmlPath, markdownPath);
}

void MarkdownConverter::convertWithoutPython(const std::string& htmlPath, const std::string& markdownPath) const
{
    auto html = readFile(htmlPath);
    if (!html) {
        Trace::line("[NotesExporter] Could not read HTML file: " + htmlPath);
        return;
    }
    std::string markdown;
    try {
        markdown = simpleHtmlToMarkdown(*html);
    } catch (const std::bad_alloc&) {
        Trace::line("[NotesExporter] Error writing Markdown file: not enough memory to convert " + htmlPath);
        return;
    }
    if (auto written = writeFileAtomically(markdownPath, markdown); !written) {
        Trace::line("[NotesExporter] Error writing Markdown file: " + written.error().description());
        return;
    }
    Trace::line("[NotesExporter] Created Markdown with simple conversion: " + markdownPath);
}

} // namespace varnholt
