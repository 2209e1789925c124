#pragma once

#include "model/DryRun.h"
#include "model/ExportFormat.h"
#include "model/notes/Note.h"
#include "platform/Files.h"
#include "platform/ProgressHandler.h"
#include "sources/Source.h"
#include "sources/notes/NoteStoreReader.h"

#include <filesystem>
#include <stop_token>
#include <string>
#include <vector>

namespace varnholt {

// The fast Notes method: reads the Notes store directly (through a
// DatabaseSnapshot), decodes every body, and writes one text file per note into "txt"
// (format html, shown as TXT) and every note into "notes.ndjson" (format json).
class NotesExporterFastDB {
public:
    static constexpr std::size_t kBatchSize = 100;

    // `scratchFolder` is where a copy of the store goes should it not be readable in place (the output
    // folder when empty).
    NotesExporterFastDB(ProgressHandler progressHandler, SourcePtr source, std::stop_token stop = {},
                        ReadabilityProbe canRead = {}, std::filesystem::path scratchFolder = {});

    // Passwords to try on locked notes; a note none opens stays locked and is named in the trace.
    void setPasswords(std::vector<std::string> passwords) { m_passwords = std::move(passwords); }

    // Throws an Error when the export cannot go on. No formats means json alone.
    // Returns early, with what was written so far, when a stop is requested. A dry run reads and
    // counts the notes and writes nothing.
    void exportTo(const std::string& outputPath, ExportFormatSet formats, DryRun dryRun = DryRun::no);

    // One NDJSON line per note (exposed for tests).
    static std::string ndjsonLine(const notesdb::Note& note);

private:
    void reportProgress(double fraction, const std::string& message) const;
    struct LostBody {
        std::int64_t id = 0;
        std::string title;
    };
    // Reads the notes batch by batch and writes each batch to "notes.ndjson" and "txt" at once.
    void writeNotes(notesdb::NoteStoreReader::Cursor& cursor, const std::string& outputPath,
                    const ExportFormatSet& formats) const;
    // Throws when a note's stored body was damaged beyond reading (after the rest is written).
    static void failIfBodiesWereLost(const std::vector<LostBody>& lost, std::size_t total);

    ProgressHandler m_progressHandler;
    SourcePtr m_source;
    std::stop_token m_stop;
    ReadabilityProbe m_canRead;
    std::filesystem::path m_scratchFolder;
    std::vector<std::string> m_passwords;
};

} // namespace varnholt
