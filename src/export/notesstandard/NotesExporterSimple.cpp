#include "export/notesstandard/NotesExporterSimple.h"

#include "export/notesstandard/ExportProgressText.h"
#include "export/notesstandard/NotePagesWriter.h"
#include "model/ExportError.h"
#include "platform/DomainError.h"
#include "platform/Files.h"
#include "sources/notesapp/NotesLibrary.h"

#include <algorithm>

namespace varnholt {

namespace {
bool hasConversionFormat(const ExportFormatSet& formats)
{
    return formats.count(ExportFormat::pdf) || formats.count(ExportFormat::txt) || formats.count(ExportFormat::rtf) ||
           formats.count(ExportFormat::markdown);
}

std::string withoutTrailingSlash(std::string path)
{
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}
} // namespace

NotesExporterSimple::NotesExporterSimple(Services services, std::stop_token stop)
    : m_services(std::move(services)), m_stop(std::move(stop))
{
    if (!m_services.now)
        m_services.now = [] { return std::chrono::steady_clock::now(); };
}

std::string NotesExporterSimple::htmlDestination(const std::string& outputPath, const ExportFormatSet& formats)
{
    if (formats.size() > 1 && formats.count(ExportFormat::html))
        return outputPath + "/html/";
    return outputPath + "/";
}

notesapp::NotesLibrary NotesExporterSimple::openLibrary(bool countsOnly, const std::string& scratchFolder) const
{
    try {
        return notesapp::NotesLibrary::open(*m_services.source, m_services.canRead, m_stop,
                                            countsOnly ? notesapp::NotesLibrary::Content::countsOnly
                                                       : notesapp::NotesLibrary::Content::everything,
                                            scratchFolder, m_services.passwords);
    } catch (const DomainError& error) {
        // A store that is missing or cannot be read is the one refusal the user can mend; a damaged
        // one goes on to say what is wrong with it.
        if (error.domain() != "NotesLibrary")
            throw;
        const std::string advice =
            error.kind() == ErrorKind::notFound
                ? "Point the source folder (--source) at a Mac home folder or iPhone backup that holds Notes."
                : "Give your user read permission for it, mount the disk that holds it, or point the source "
                  "folder (--source) at a readable copy.";
        throw ExportError::permissionDenied(error.description() + ". " + advice);
    }
}

void NotesExporterSimple::performDryRun(const ProgressHandler& progressHandler)
{
    progressHandler(0.1, "Scanning Notes library...");
    // Nothing may be written: a store that cannot be read in place is not copied anywhere.
    const notesapp::NotesLibrary library = openLibrary(true, {});
    progressHandler(1.0, "Total: " + std::to_string(library.noteCount()) + " notes in " +
                             std::to_string(library.accounts().size()) + " accounts");
}

long long NotesExporterSimple::writePages(notesapp::NotesLibrary& library, const std::string& htmlFolder,
                                          long long notesToExport, const ProgressHandler& progressHandler)
{
    notesapp::NotePagesWriter pages(htmlFolder);
    const auto start = m_services.now();
    auto lastReport = start;
    ExportProgressText progressText(notesToExport);
    // The first batch's bodies are read before its first page: an estimate from that one page would
    // be far off, so the count starts at nought and the next report comes once time has passed.
    progressHandler(0.1, progressText.next(0, 0.0));
    while (pages.written() < notesToExport) {
        const std::size_t wanted =
            static_cast<std::size_t>(std::min<long long>(kBatch, notesToExport - pages.written()));
        const std::vector<notesdb::Note> batch = library.next(wanted);
        if (batch.empty())
            break;
        for (const notesdb::Note& note : batch) {
            if (m_stop.stop_requested())
                return pages.written();
            pages.write(library, note);
            const auto now = m_services.now();
            const long long count = pages.written();
            if (count == notesToExport || now - lastReport >= kProgressInterval) {
                const double fraction = std::min(static_cast<double>(count) / static_cast<double>(notesToExport), 0.95);
                const double elapsed = std::chrono::duration<double>(now - start).count();
                progressHandler(0.1 + fraction * 0.85, progressText.next(count, elapsed));
                lastReport = now;
            }
        }
    }
    if (pages.unreadable() > 0)
        throw DomainError("NotesExporter", 12,
                          "The text of " + std::to_string(pages.unreadable()) +
                              " notes could not be read: the Notes database is damaged. Copy it again from the Mac "
                              "and export again.",
                          ErrorKind::damaged);
    return pages.written();
}

void NotesExporterSimple::exportTo(const std::string& outputPath, DryRun dryRun, const ExportFormatSet& formats,
                                   std::optional<long long> testModeLimit, const ProgressHandler& progressHandler)
{
    if (dryRun == DryRun::yes) {
        performDryRun(progressHandler);
        return;
    }

    if (auto created = createDirectories(outputPath); !created)
        throw created.error();

    progressHandler(0.05, "Counting notes...");
    // A store that cannot be read in place is copied below the output folder, which holds the export anyway.
    notesapp::NotesLibrary library = openLibrary(false, outputPath);
    const auto total = static_cast<long long>(library.noteCount());
    if (total == 0) {
        progressHandler(1.0, "No notes found");
        return;
    }

    const long long notesToExport = testModeLimit ? std::min(total, std::max(*testModeLimit, 0LL)) : total;
    std::string starting = "Starting export of " + std::to_string(notesToExport) + " notes";
    if (testModeLimit)
        starting += " (DEBUG MODE: limited to " + std::to_string(*testModeLimit) + ")";
    progressHandler(0.1, starting + "...");

    const std::string htmlFolder = withoutTrailingSlash(htmlDestination(outputPath, formats));
    const long long written = writePages(library, htmlFolder, notesToExport, progressHandler);
    if (m_stop.stop_requested())
        return;

    progressHandler(0.95, "Cleaning up empty folders...");
    cleanupEmptyFilesFolders(htmlFolder);

    long long converted = 0;
    if (hasConversionFormat(formats)) {
        progressHandler(0.96, "Converting to additional formats...");
        if (m_services.convertFormats)
            converted = m_services.convertFormats(outputPath, formats, testModeLimit, progressHandler);
    }
    if (!formats.count(ExportFormat::html) && hasConversionFormat(formats)) {
        progressHandler(0.99, "Cleaning up temporary HTML files...");
        disposeTemporaryHtml(outputPath, m_services.runCommand);
    }
    const long long finalCount = formats.count(ExportFormat::html) ? written : converted;
    progressHandler(1.0, "Export complete! " + std::to_string(finalCount) + " notes exported");
}

} // namespace varnholt
