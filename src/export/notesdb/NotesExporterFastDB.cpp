#include "export/notesdb/NotesExporterFastDB.h"

#include "platform/Database.h"
#include "platform/DomainError.h"
#include "platform/OutputFile.h"
#include "platform/ThreadPool.h"
#include "platform/Trace.h"
#include "render/notes/TextFileNames.h"
#include "sources/SourceAccess.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

namespace varnholt {

namespace fs = std::filesystem;
using notesdb::Note;

namespace {
// Writers run on a few threads; more would only queue on the disk.
constexpr unsigned kMaxWriters = 4;

nlohmann::json dateValue(const std::optional<double>& seconds)
{
    if (!seconds)
        return 0;
    return *seconds;
}

size_t writerCount()
{
    const unsigned hardware = std::max(1u, std::thread::hardware_concurrency());
    return std::min(kMaxWriters, std::max(2u, hardware));
}

// What only some attachments have: a link card's address and title, a hashtag's text, the gallery a
// page belongs to, and where a drawing's or scan's rendered image lies.
void addAttachmentDetails(nlohmann::json& entry, const notesdb::Attachment& attachment,
                          const std::vector<notesdb::Attachment>& all)
{
    if (attachment.url) {
        entry["url"] = *attachment.url;
        entry["title"] = attachment.title.value_or("");
    }
    if (attachment.text)
        entry["text"] = *attachment.text;
    if (attachment.parent)
        for (const notesdb::Attachment& gallery : all)
            if (gallery.id == *attachment.parent)
                entry["gallery"] = gallery.identifier.value_or("");
    if (attachment.fileSource != notesdb::Attachment::FileSource::none)
        entry["file_source"] = notesdb::fileSourceName(attachment.fileSource);
    if (attachment.standInFile && attachment.fileSource != notesdb::Attachment::FileSource::original)
        entry["stand_in_file"] = *attachment.standInFile;
}

// A task that threw (out of memory, say) fails the export as it would have on this thread.
void rethrowFirst(const std::vector<std::exception_ptr>& failures)
{
    if (!failures.empty())
        std::rethrow_exception(failures.front());
}
} // namespace

NotesExporterFastDB::NotesExporterFastDB(ProgressHandler progressHandler, SourcePtr source, std::stop_token stop,
                                         ReadabilityProbe canRead, fs::path scratchFolder)
    : m_progressHandler(std::move(progressHandler)), m_source(std::move(source)), m_stop(std::move(stop)),
      m_canRead(canRead ? std::move(canRead) : defaultReadabilityProbe()), m_scratchFolder(std::move(scratchFolder))
{
}

void NotesExporterFastDB::reportProgress(double fraction, const std::string& message) const
{
    if (m_progressHandler)
        m_progressHandler(fraction, message);
}

void NotesExporterFastDB::exportTo(const std::string& outputPath, ExportFormatSet formats, DryRun dryRun)
{
    if (formats.empty())
        formats = {ExportFormat::json};

    reportProgress(0.0, "Checking that the Notes database can be read...");
    if (!notesdb::NoteStoreReader::checkFullDiskAccess(*m_source, m_canRead)) {
        const std::string probed = notesdb::NoteStoreReader::accessProbePath(*m_source);
        throw DomainError("NotesExporter", 1,
                          cannotReadText(*m_source,
                                         probed == m_source->notesStore()
                                             ? "the Notes database"
                                             : "the Messages database (read to check access to the Library folder)",
                                         probed),
                          ErrorKind::permission);
    }

    reportProgress(0.05, "Opening database...");
    const std::string storePath = m_source->notesStore();
    // A dry run writes nothing, not even a private copy of a store that cannot be read in place.
    const fs::path scratch = dryRun == DryRun::yes     ? fs::path()
                             : m_scratchFolder.empty() ? fs::path(outputPath)
                                                       : m_scratchFolder;
    const DatabaseSnapshot snapshot = notesdb::NoteStoreReader::openStore(storePath, scratch);
    const Database& db = snapshot.database();
    notesdb::NoteStoreReader reader(db, m_source->notesContainer(), m_progressHandler, m_stop);
    reader.setPasswords(m_passwords);

    reportProgress(0.15, "Detecting schema version...");
    const notesdb::SchemaInfo schema = reader.detectSchema();
    Trace::line("[FastDB] Detected schema: " + schema.describe());
    if (!schema.isModernSchema && !reader
                                       .queryScalar("SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND "
                                                    "name='ZNOTE';")
                                       .value_or(0))
        throw DomainError("NotesExporter", 3,
                          "The file at " + storePath +
                              " is not a Notes database: it has neither the ZICCLOUDSYNCINGOBJECT nor the ZNOTE "
                              "table. Choose the home folder of a Mac whose Notes database is in place.",
                          ErrorKind::damaged);

    reportProgress(0.2, "Querying notes...");
    notesdb::NoteStoreReader::Cursor cursor = reader.openNotes(schema);
    Trace::line("[FastDB] Found " + std::to_string(cursor.total()) + " notes");
    if (m_stop.stop_requested())
        return;
    if (dryRun == DryRun::yes) {
        reportProgress(1.0, "Dry run complete: " + std::to_string(cursor.total()) + " notes");
        return;
    }

    if (auto created = createDirectories(outputPath); !created)
        throw created.error();
    writeNotes(cursor, outputPath, formats);
}

void NotesExporterFastDB::writeNotes(notesdb::NoteStoreReader::Cursor& cursor, const std::string& outputPath,
                                     const ExportFormatSet& formats) const
{
    const size_t total = cursor.total();
    const bool json = formats.count(ExportFormat::json) > 0;
    const bool text = formats.count(ExportFormat::html) > 0;
    std::optional<OutputFile> ndjson;
    if (json) {
        reportProgress(0.3, "Exporting to NDJSON...");
        // Written as the notes are read and renamed into place only when whole.
        auto file = OutputFile::create(fs::path(outputPath) / "notes.ndjson", OutputFile::Replace::atomically);
        if (!file)
            throw file.error();
        ndjson.emplace(std::move(*file));
    }
    const fs::path folder = fs::path(outputPath) / "txt";
    if (text) {
        reportProgress(0.5, "Exporting HTML files...");
        if (auto created = createDirectories(folder); !created)
            throw created.error();
        reportProgress(0.5, "Exporting " + std::to_string(total) + " text files...");
    }

    // The store has one connection, so notes are read and decoded here, a round of batches at a
    // time; the writers serialise and write one batch each. Only a round is ever in memory.
    const size_t batchCount = (total + kBatchSize - 1) / kBatchSize;
    ThreadPool pool(static_cast<unsigned>(writerCount()));
    notesdb::TextFileNames names;
    std::mutex failuresMutex;
    std::vector<FileSystemError> failures;
    std::vector<LostBody> lost;
    bool firstLine = true;
    for (size_t batch = 0; batch < batchCount;) {
        std::vector<std::vector<Note>> round;
        std::vector<std::vector<std::string>> fileNames;
        for (; round.size() < pool.size() && batch < batchCount; ++batch) {
            if (m_stop.stop_requested())
                return; // an uncommitted NDJSON file is removed: nothing half-written stays
            reportProgress(0.5 + (static_cast<double>(batch) / static_cast<double>(batchCount)) * 0.4,
                           "Processing batch " + std::to_string(batch + 1) + " of " + std::to_string(batchCount));
            round.push_back(cursor.next(kBatchSize));
            // Claimed in note order, so which note gets which name never depends on timing.
            std::vector<std::string>& roundNames = fileNames.emplace_back();
            for (const Note& note : round.back()) {
                if (text)
                    roundNames.push_back(names.claim(note));
                if (note.bodyUnreadable)
                    lost.push_back({note.id, note.title.value_or("")});
            }
        }
        std::vector<std::string> lines(round.size());
        std::vector<std::function<void()>> tasks;
        for (size_t r = 0; r < round.size(); ++r)
            tasks.push_back([&, r] {
                for (size_t i = 0; i < round[r].size(); ++i) {
                    const Note& note = round[r][i];
                    if (json) {
                        if (i > 0)
                            lines[r] += '\n';
                        lines[r] += ndjsonLine(note);
                    }
                    if (!text)
                        continue;
                    const fs::path path = folder / fileNames[r][i];
                    const std::string_view content =
                        note.bodyHTML ? std::string_view(*note.bodyHTML) : note.lockedPlaceholder();
                    if (auto written = writeFileAtomically(path, content); !written) {
                        std::lock_guard lock(failuresMutex);
                        failures.push_back(written.error());
                    }
                }
            });
        rethrowFirst(pool.runAll(std::move(tasks)));
        // Once the output refuses a file (a full disk, say), the rest would fail the same way.
        if (!failures.empty() || (ndjson && ndjson->failed()))
            break;
        if (ndjson)
            for (size_t r = 0; r < round.size(); ++r) {
                if (lines[r].empty())
                    continue;
                if (!firstLine)
                    ndjson->write("\n");
                ndjson->write(lines[r]);
                firstLine = false;
            }
    }
    if (m_stop.stop_requested())
        return;

    if (!failures.empty()) {
        // Files given up are removed: the NDJSON file goes uncommitted, each text file was written atomically.
        for (const FileSystemError& failure : failures)
            Trace::line("[FastDB] \u274C Failed to write " + failure.path().string() + ": " + failure.description());
        throw DomainError("NotesExporter", 9,
                          "Failed to write " + std::to_string(failures.size()) + " of " + std::to_string(total) +
                              " text files (first: " + failures.front().description() +
                              "). Check that the output folder is writable and has free space, then export again.",
                          failures.front().kind());
    }
    if (ndjson) {
        if (auto committed = ndjson->commit(); !committed)
            throw committed.error();
        reportProgress(0.95, "Exported " + std::to_string(total) + " notes to NDJSON");
    }
    if (text)
        reportProgress(0.95, "Finalizing export...");
    failIfBodiesWereLost(lost, total);
    reportProgress(1.0, "Export complete: " + std::to_string(total) + " notes");
}

void NotesExporterFastDB::failIfBodiesWereLost(const std::vector<LostBody>& lost, size_t total)
{
    // Everything readable is written by now; the export still must not pass for complete.
    if (lost.empty())
        return;
    for (const LostBody& note : lost)
        Trace::line("[FastDB] \u274C The text of note " + std::to_string(note.id) + " (" + note.title +
                    ") could not be read: its stored body is damaged");
    throw DomainError("NotesExporter", 11,
                      "Exported " + std::to_string(total) + " notes, but the text of " + std::to_string(lost.size()) +
                          " of them could not be read (first: \u201c" + lost.front().title +
                          "\u201d). The Notes database may be damaged; copy it again from the Mac and retry.",
                      ErrorKind::damaged);
}

std::string NotesExporterFastDB::ndjsonLine(const Note& note)
{
    nlohmann::json attachments = nlohmann::json::array();
    for (const notesdb::Attachment& attachment : note.attachments)
        attachments.push_back({
            {"filename", attachment.filename.value_or("")},
            {"directory", attachment.directory.value_or("")},
            {"type_uti", attachment.typeUTI.value_or("")},
            {"kind", notesdb::attachmentKindName(attachment.kind())},
        });
    for (size_t i = 0; i < note.attachments.size(); ++i)
        addAttachmentDetails(attachments[i], note.attachments[i], note.attachments);
    nlohmann::json tables = nlohmann::json::array();
    for (const auto& entry : note.tables)
        tables.push_back(entry.second.cellTexts());
    const nlohmann::json object{
        {"note_id", note.id},
        {"title", note.title.value_or("")},
        {"snippet", note.snippet.value_or("")},
        {"body_text", note.bodyHTML.value_or("")},
        {"created", dateValue(note.created)},
        {"modified", dateValue(note.modified)},
        {"is_deleted", note.isDeleted},
        {"is_pinned", note.isPinned},
        {"is_locked", note.isLocked},
        {"lock", notesdb::lockKindName(note.lock)},
        {"folder", note.folderName.value_or("")},
        {"account", note.accountName.value_or("")},
        {"attachments", std::move(attachments)},
        {"tables", std::move(tables)},
    };
    // Invalid UTF-8 in a title or body is replaced rather than costing the note its line.
    return object.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace varnholt
