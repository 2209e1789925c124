#include "convert/FormatConverter.h"

#include "convert/MarkdownConverter.h"
#include "platform/DomainError.h"
#include "platform/FileCopy.h"
#include "platform/Files.h"
#include "platform/ThreadPool.h"
#include "platform/Trace.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>

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

// The first output the workers of one run could not write.
class FirstFailure {
public:
    void record(const ConversionOutcome& outcome)
    {
        if (outcome)
            return;
        std::lock_guard lock(m_mutex);
        if (!m_error)
            m_error = outcome.error();
    }
    ErrorPtr error() const
    {
        std::lock_guard lock(m_mutex);
        return m_error;
    }

private:
    mutable std::mutex m_mutex;
    ErrorPtr m_error;
};

// Ends the conversion run with an output that could not be written, as the kind of error it is.
[[noreturn]] void throwFailure(const ErrorPtr& error)
{
    throw DomainError("NotesExporter", 13, error->description(), error->kind());
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
        if (auto converted = convertMarkdown(pool, sourceFolder, files, folders.at(ExportFormat::markdown)); !converted)
            throwFailure(converted.error());
    if (folders.count(ExportFormat::pdf))
        if (auto converted = convertPdf(pool, sourceFolder, files, folders.at(ExportFormat::pdf), source); !converted)
            throwFailure(converted.error());

    FirstFailure failure;
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
                if (auto created = createDirectories(output.parent_path()); !created)
                    throw created.error();
                tasks.push_back([this, format, htmlPath, out = output.string(), source, &failure] {
                    const auto guard = m_locks.lock(out);
                    switch (format) {
                    case ExportFormat::rtf:
                        failure.record(convertWithTextutil(htmlPath, out, TextutilFormat::rtf));
                        break;
                    case ExportFormat::txt:
                        failure.record(convertWithTextutil(htmlPath, out, TextutilFormat::txt));
                        break;
                    case ExportFormat::pdf:
                        failure.record(convertHTMLToPDF(htmlPath, out, source));
                        break;
                    default:
                        failure.record(convertHTMLToMarkdown(htmlPath, out));
                        break;
                    }
                });
            }
        }
        for (const std::exception_ptr& thrown : pool.runAll(std::move(tasks)))
            Trace::line(conversionFailure(thrown));
        if (const ErrorPtr error = failure.error())
            throwFailure(error);
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

// The output path of `relative` (an .html path) in `folder`, its folder made (throws when it cannot be).
std::string outputFor(const fs::path& folder, const std::string& relative, const char* extension)
{
    const fs::path output = folder / (relative.substr(0, relative.size() - kHtmlSuffix.size()) + extension);
    if (auto created = createDirectories(output.parent_path()); !created)
        throw created.error();
    return output.string();
}

// Runs one converter per share of the notes; the first output one of them could not write.
template <typename Converter, typename Job>
ConversionOutcome convertShares(ThreadPool& pool, std::vector<Job> jobs, const Converter& makeConverter)
{
    FirstFailure failure;
    std::vector<std::function<void()>> tasks;
    for (auto& share : shares(std::move(jobs), pool.size()))
        tasks.push_back([&failure, &makeConverter, share = std::move(share)] {
            failure.record(makeConverter().convertAll(share));
        });
    for (const std::exception_ptr& thrown : pool.runAll(std::move(tasks)))
        Trace::line(conversionFailure(thrown));
    if (const ErrorPtr error = failure.error())
        return tl::unexpected(error);
    return {};
}
} // namespace

ConversionOutcome FormatConverter::convertMarkdown(ThreadPool& pool, const std::string& sourceFolder,
                                                   const std::vector<std::string>& files, const fs::path& folder) const
{
    std::vector<MarkdownConverter::Job> jobs;
    for (const std::string& relative : files) {
        jobs.push_back({(fs::path(sourceFolder) / relative).string(), outputFor(folder, relative, ".md")});
        // A note's attachments sit in "<title>_files" beside its page; its Markdown links there too.
        const std::string base = relative.substr(0, relative.size() - kHtmlSuffix.size());
        const fs::path attachments = fs::path(sourceFolder) / (base + "_files");
        std::error_code ec;
        if (!fs::is_directory(attachments, ec))
            continue;
        if (auto copied = copyTreeAtomically(attachments, folder / (base + "_files")); !copied) {
            Trace::line("[NotesExporter] \u274c Could not copy the attachments of " + relative +
                        " beside its Markdown: " + copied.error().error.description());
            if (copied.error().side == CopySide::output)
                return tl::unexpected(ErrorPtr(copied.error().error.clone()));
        }
    }
    return convertShares(pool, std::move(jobs), [this] { return MarkdownConverter(m_tools, m_stop); });
}

ConversionOutcome FormatConverter::convertPdf(ThreadPool& pool, const std::string& sourceFolder,
                                              const std::vector<std::string>& files, const fs::path& folder,
                                              SourceHtml source) const
{
    std::vector<PdfConverter::Job> jobs;
    for (const std::string& relative : files)
        jobs.push_back({(fs::path(sourceFolder) / relative).string(), outputFor(folder, relative, ".pdf")});
    if (m_tools.resourceFolder.empty() || !fs::exists(m_tools.bundledWeasyprint()))
        Trace::line(PdfConverter::missingBundledCopyLine(m_tools));
    return convertShares(pool, std::move(jobs), [this, source] { return PdfConverter(m_tools, m_stop, source); });
}

ConversionOutcome FormatConverter::convertWithTextutil(const std::string& inputPath, const std::string& outputPath,
                                                       TextutilFormat format) const
{
    auto converted = TextutilConverter::convert(inputPath, outputPath, format);
    if (!converted && converted.error().side == ConversionSide::output)
        return tl::unexpected(converted.error().error);
    return {};
}

ConversionOutcome FormatConverter::convertHTMLToPDF(const std::string& htmlPath, const std::string& pdfPath,
                                                    SourceHtml source) const
{
    return PdfConverter(m_tools, m_stop, source).convert(htmlPath, pdfPath);
}

ConversionOutcome FormatConverter::convertHTMLToMarkdown(const std::string& htmlPath,
                                                         const std::string& markdownPath) const
{
    return MarkdownConverter(m_tools, m_stop).convert(htmlPath, markdownPath);
}

} // namespace varnholt
