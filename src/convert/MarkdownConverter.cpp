#include "convert/MarkdownConverter.h"

#include "convert/MarkdownFallback.h"
#include "convert/MarkdownPreparation.h"
#include "convert/MarkdownScript.h"
#include "convert/PythonBatch.h"
#include "convert/TemporaryOutput.h"
#include "platform/Files.h"
#include "platform/Trace.h"

#include <filesystem>
#include <fmt/format.h>
#include <memory>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
bool exists(const std::string& path)
{
    std::error_code ec;
    return !path.empty() && fs::exists(path, ec);
}

// One note on its way: the prepared HTML Python reads and the raw Markdown it writes, both under
// private names beside the Markdown file and removed when done.
struct Pending {
    MarkdownConverter::Job job;
    std::string preparedHtml;
    std::unique_ptr<TemporaryOutput> input;
    std::unique_ptr<TemporaryOutput> output;
    bool done = false;
};

struct Candidate {
    std::string python;
    MarkdownScript script;
    ConversionTools::Environment environment;
    const char* name;    // in "Created Markdown with <name> Python"
    const char* failure; // in "<failure> markdown conversion failed"
    bool reportsExitCode;
};
} // namespace

MarkdownConverter::MarkdownConverter(const ConversionTools& tools, std::stop_token stop)
    : m_tools(tools), m_stop(std::move(stop))
{
}

ConversionOutcome MarkdownConverter::convertAll(const std::vector<Job>& jobs) const
{
    std::vector<Pending> pending;
    pending.reserve(jobs.size());
    for (const Job& job : jobs) {
        auto html = readFile(job.htmlPath);
        if (!html) {
            Trace::line("[NotesExporter] Could not read HTML file: " + job.htmlPath);
            continue;
        }
        Pending note;
        note.job = job;
        note.preparedHtml = MarkdownPreparation::prepareHtml(*html);
        pending.push_back(std::move(note));
    }
    if (pending.empty())
        return {};
    auto failed = [](const Error& error) -> ConversionOutcome {
        Trace::line("[NotesExporter] Error writing Markdown file: " + error.description());
        return tl::unexpected(ErrorPtr(error.clone()));
    };

    std::vector<Candidate> candidates;
    if (!m_tools.resourceFolder.empty() && exists(m_tools.bundledPython()))
        candidates.push_back({m_tools.bundledPython(), MarkdownScript::bundled, m_tools.bundledEnvironment(), "bundled",
                              "bundled", true});
    for (const std::string& python : m_tools.userPythons)
        if (exists(python))
            candidates.push_back({python, MarkdownScript::user, {}, "user", "user", true});
    for (const std::string& python : m_tools.systemPythons)
        if (exists(python))
            candidates.push_back({python, MarkdownScript::system, {}, "system", "System", false});

    for (const Candidate& candidate : candidates) {
        if (m_stop.stop_requested())
            return {};
        std::vector<std::pair<std::string, std::string>> files;
        for (Pending& note : pending) {
            if (note.done)
                continue;
            note.input = std::make_unique<TemporaryOutput>(note.job.markdownPath + ".html");
            note.output = std::make_unique<TemporaryOutput>(note.job.markdownPath);
            if (auto written = writeFile(note.input->path(), note.preparedHtml); !written)
                return failed(written.error()); // nothing can be written beside it either
            files.emplace_back(note.input->path().string(), note.output->path().string());
        }
        if (files.empty())
            return {};
        PythonBatch batch{candidate.python, candidate.environment, markdownScriptText(candidate.script),
                          m_tools.markdownTimeLimit};
        const auto result = batch.run(files, fs::path(files.front().second).parent_path() / "html2text-list", m_stop);
        PythonBatch::removeLeftovers(files);
        if (!result) {
            Trace::line(fmt::format("[NotesExporter] {} Python markdown conversion failed: {}", candidate.failure,
                                    result.error().description()));
            if (result.error().kind() == ErrorKind::diskFull)
                return tl::unexpected(ErrorPtr(result.error().clone()));
            continue;
        }
        if (result->stopped)
            return {};
        if (result->timedOut)
            Trace::line(fmt::format("[NotesExporter] \u26a0\ufe0f {} ran longer than {:g} s and was stopped",
                                    candidate.python,
                                    std::chrono::duration<double>(m_tools.markdownTimeLimit).count()));
        else if (!result->succeeded() && candidate.reportsExitCode)
            Trace::line(fmt::format("[NotesExporter] {} Python markdown conversion exit code: {}", candidate.failure,
                                    result->status));
        for (Pending& note : pending) {
            if (note.done || !note.output || !note.output->exists())
                continue;
            auto raw = readFile(note.output->path());
            if (!raw)
                continue;
            if (auto written = writeFileAtomically(note.job.markdownPath, MarkdownPreparation::tidyMarkdown(*raw));
                !written)
                return failed(written.error());
            Trace::line(fmt::format("[NotesExporter] Created Markdown with {} Python: {}", candidate.name,
                                    note.job.markdownPath));
            note.done = true;
        }
    }
    for (Pending& note : pending) {
        note.input.reset();
        note.output.reset();
    }

    bool announced = false;
    for (Pending& note : pending) {
        if (note.done)
            continue;
        if (!announced)
            Trace::line("[NotesExporter] No Python with html2text found, using simple HTML stripping fallback");
        announced = true;
        std::string markdown;
        try {
            markdown = MarkdownPreparation::tidyMarkdown(simpleHtmlToMarkdown(note.preparedHtml));
        } catch (const std::bad_alloc&) {
            Trace::line("[NotesExporter] Error writing Markdown file: not enough memory to convert " +
                        note.job.htmlPath);
            continue;
        }
        if (auto written = writeFileAtomically(note.job.markdownPath, markdown); !written)
            return failed(written.error());
        Trace::line("[NotesExporter] Created Markdown with simple conversion: " + note.job.markdownPath);
    }
    return {};
}

} // namespace varnholt
