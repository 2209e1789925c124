#include "convert/FormatConverter.h"

#include "convert/MarkdownConverter.h"
#include "platform/Files.h"
#include "platform/ThreadPool.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
constexpr std::size_t kBatchSize = 10;
constexpr std::string_view kHtmlSuffix = ".html";

bool endsWith(std::string_view text, std::string_view suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

const char* extensionFor(ExportFormat format)
{
    switch (format) {
    case ExportFormat::markdown:
        return ".md";
    case ExportFormat::pdf:
        return ".pdf";
    case ExportFormat::rtf:
        return ".rtf";
    case ExportFormat::txt:
        return ".txt";
    default:
        return "";
    }
}

// The trace line for a conversion that threw instead of reporting its failure itself.
std::string conversionFailure(const std::exception_ptr& failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception& error) {
        return std::string("[NotesExporter] \u274c A conversion failed: ") + error.what();
    } catch (...) {
        return "[NotesExporter] \u274c A conversion failed";
    }
}

// Conversion formats in the order each file's conversions are started.
constexpr ExportFormat kConversionOrder[] = {ExportFormat::rtf, ExportFormat::txt, ExportFormat::pdf,
                                             ExportFormat::markdown};
} // namespace

FormatConverter::FormatConverter(ConversionTools tools, std::stop_token stop, unsigned workers)
    : m_tools(std::move(tools)), m_stop(std::move(stop)), m_workers(workers)
{
}

std::string FormatConverter::folderName(ExportFormat format)
{
    std::string name(rawValue(format));
    std::transform(name.begin(), name.end(), name.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return name;
}

std::vector<std::string> FormatConverter::collectHtmlFiles(const std::string& folder, std::optional<long long> limit)
{
    std::vector<std::string> found;
    // Names sorted in each folder, a subfolder's contents right where it stands.
    // Symbolic links to folders are not followed. Returns true once the limit is reached.
    std::function<bool(const fs::path&)> walk = [&](const fs::path& relativeFolder) {
        std::error_code ec;
        std::vector<fs::directory_entry> entries;
        for (fs::directory_iterator it(fs::path(folder) / relativeFolder, ec), end; !ec && it != end; it.increment(ec))
            entries.push_back(*it);
        std::sort(entries.begin(), entries.end(),
                  [](const auto& a, const auto& b) { return a.path().filename() < b.path().filename(); });
        for (const auto& entry : entries) {
            const fs::path relative = relativeFolder / entry.path().filename();
            std::error_code statusError;
            if (entry.is_directory(statusError) && !entry.is_symlink(statusError)) {
                if (walk(relative))
                    return true;
                continue;
            }
            if (!entry.is_regular_file(statusError) || !endsWith(relative.string(), kHtmlSuffix))
                continue;
            found.push_back(relative.string());
            if (limit && static_cast<long long>(found.size()) >= *limit) {
                Trace::line("[NotesExporter] Test mode: converting only first " + std::to_string(*limit) + " files");
                return true;
            }
        }
        return false;
    };
    walk(fs::path());
    return found;
}

int FormatConverter::convertFormats(const std::string& outputPath, const ExportFormatSet& formats,
                                    std::optional<long long> limit, const ProgressHandler& progressHandler)
{
    const std::string sourceFolder = formats.count(ExportFormat::html) ? outputPath + "/html" : outputPath;
    return convertFolder(sourceFolder, outputPath, formats, limit, progressHandler, SourceHtml::fixCharsetInPlace);
}

int FormatConverter::convertFolder(const std::string& sourceFolder, const std::string& outputPath,
                                   const ExportFormatSet& formats, std::optional<long long> limit,
                                   const ProgressHandler& progressHandler, SourceHtml source)
{
    std::map<ExportFormat, fs::path> folders;
    for (ExportFormat format : formats) {
        if (format == ExportFormat::html)
            continue;
        const fs::path folder = fs::path(outputPath) / folderName(format);
        if (auto created = createDirectories(folder); !created)
            throw created.error();
        folders[format] = folder;
    }

    const std::vector<std::string> files = collectHtmlFiles(sourceFolder, limit);
    const std::size_t total = files.size();
    if (total == 0)
        return 0;
    ThreadPool pool(m_workers);
    if (folders.count(ExportFormat::markdown))
        convertMarkdown(pool, sourceFolder, files, folders.at(ExportFormat::markdown));
    if (folders.count(ExportFormat::pdf))
        convertPdf(pool, sourceFolder, files, folders.at(ExportFormat::pdf), source);

    std::size_t processed = 0;
    for (std::size_t offset = 0; offset < total; offset += kBatchSize) {
        if (m_stop.stop_requested()) {
            Trace::line("[NotesExporter] Conversion stopped after " + std::to_string(processed) + " of " +
                        std::to_string(total) + " files");
            break;
        }
        const std::size_t batchEnd = std::min(total, offset + kBatchSize);
        std::vector<std::function<void()>> tasks;
        for (std::size_t i = offset; i < batchEnd; ++i) {
            const std::string& relative = files[i];
            const std::string htmlPath = (fs::path(sourceFolder) / relative).string();
            const std::string base = relative.substr(0, relative.size() - kHtmlSuffix.size());
            for (ExportFormat format : kConversionOrder) {
                if (format == ExportFormat::markdown || format == ExportFormat::pdf)
                    continue; // converted above, a whole share of the notes per process
                auto folder = folders.find(format);
                if (folder == folders.end())
                    continue;
                const fs::path output = folder->second / (base + extensionFor(format));
                if (auto created = createDirectories(output.parent_path()); !created) {
                    Trace::line("[NotesExporter] \u274c " + created.error().description());
                    continue;
                }
                tasks.push_back([this, format, htmlPath, out = output.string(), source] {
                    const auto guard = m_locks.lock(out);
                    switch (format) {
                    case ExportFormat::rtf:
                        convertWithTextutil(htmlPath, out, TextutilFormat::rtf);
                        break;
                    case ExportFormat::txt:
                        convertWithTextutil(htmlPath, out, TextutilFormat::txt);
                        break;
                    case ExportFormat::pdf:
                        convertHTMLToPDF(htmlPath, out, source);
                        break;
                    default:
                        convertHTMLToMarkdown(htmlPath, out);
                        break;
                    }
                });
            }
        }
        for (const std::exception_ptr& failure : pool.runAll(std::move(tasks)))
            Trace::line(conversionFailure(failure));
        processed += batchEnd - offset;
        if (progressHandler)
            progressHandler(0.96 + (static_cast<double>(processed) / static_cast<double>(total)) * 0.03,
                            "Converting formats... (" + std::to_string(processed) + "/" + std::to_string(total) + ")");
    }
    return static_cast<int>(processed);
}

namespace {
// The notes split into one contiguous share per worker.
template <typename Job> std::vector<std::vector<Job>> shares(std::vector<Job> jobs, unsigned workers)
{
    const std::size_t count = std::min<std::size_t>(std::max(workers, 1u), jobs.size());
    std::vector<std::vector<Job>> out(count);
    for (std::size_t i = 0; i < jobs.size(); ++i)
        out[i * count / jobs.size()].push_back(std::move(jobs[i]));
    return out;
}

// The output path of `relative` (an .html path) in `folder`, its folder made; empty when it
// cannot be made.
std::string outputFor(const fs::path& folder, const std::string& relative, const char* extension)
{
    const fs::path output = folder / (relative.substr(0, relative.size() - kHtmlSuffix.size()) + extension);
    if (auto created = createDirectories(output.parent_path()); !created) {
        Trace::line("[NotesExporter] \u274c " + created.error().description());
        return {};
    }
    return output.string();
}
} // namespace

void FormatConverter::convertMarkdown(ThreadPool& pool, const std::string& sourceFolder,
                                      const std::vector<std::string>& files, const fs::path& folder) const
{
    std::vector<MarkdownConverter::Job> jobs;
    for (const std::string& relative : files) {
        const std::string output = outputFor(folder, relative, ".md");
        if (output.empty())
            continue;
        jobs.push_back({(fs::path(sourceFolder) / relative).string(), output});
        // A note's attachments sit in "<title>_files" beside its page; its Markdown links there too.
        const std::string base = relative.substr(0, relative.size() - kHtmlSuffix.size());
        const fs::path attachments = fs::path(sourceFolder) / (base + "_files");
        std::error_code ec;
        if (!fs::is_directory(attachments, ec))
            continue;
        fs::copy(attachments, folder / (base + "_files"),
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
        if (ec)
            Trace::line("[NotesExporter] \u274c Could not copy the attachments of " + relative +
                        " beside its Markdown: " + ec.message());
    }
    std::vector<std::function<void()>> tasks;
    for (auto& share : shares(std::move(jobs), pool.size()))
        tasks.push_back([this, share = std::move(share)] { MarkdownConverter(m_tools, m_stop).convertAll(share); });
    for (const std::exception_ptr& failure : pool.runAll(std::move(tasks)))
        Trace::line(conversionFailure(failure));
}

void FormatConverter::convertPdf(ThreadPool& pool, const std::string& sourceFolder,
                                 const std::vector<std::string>& files, const fs::path& folder, SourceHtml source) const
{
    std::vector<PdfConverter::Job> jobs;
    for (const std::string& relative : files) {
        const std::string output = outputFor(folder, relative, ".pdf");
        if (!output.empty())
            jobs.push_back({(fs::path(sourceFolder) / relative).string(), output});
    }
    if (m_tools.resourceFolder.empty() || !fs::exists(m_tools.bundledWeasyprint()))
        Trace::line(PdfConverter::missingBundledCopyLine(m_tools));
    std::vector<std::function<void()>> tasks;
    for (auto& share : shares(std::move(jobs), pool.size()))
        tasks.push_back(
            [this, source, share = std::move(share)] { PdfConverter(m_tools, m_stop, source).convertAll(share); });
    for (const std::exception_ptr& failure : pool.runAll(std::move(tasks)))
        Trace::line(conversionFailure(failure));
}

void FormatConverter::convertWithTextutil(const std::string& inputPath, const std::string& outputPath,
                                          TextutilFormat format) const
{
    TextutilConverter::convert(inputPath, outputPath, format);
}

void FormatConverter::convertHTMLToPDF(const std::string& htmlPath, const std::string& pdfPath, SourceHtml source) const
{
    PdfConverter(m_tools, m_stop, source).convert(htmlPath, pdfPath);
}

void FormatConverter::convertHTMLToMarkdown(const std::string& htmlPath, const std::string& markdownPath) const
{
    MarkdownConverter(m_tools, m_stop).convert(htmlPath, markdownPath);
}

} // namespace varnholt
