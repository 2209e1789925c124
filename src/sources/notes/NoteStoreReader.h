#pragma once

#include "model/notes/Note.h"
#include "platform/Files.h"
#include "platform/ProgressHandler.h"
#include "sources/DatabaseSnapshot.h"
#include "sources/Source.h"
#include "sources/notes/LockedNoteOpener.h"
#include "sources/notes/SchemaInfo.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <vector>

namespace varnholt {
class Statement;
} // namespace varnholt

namespace varnholt::notesdb {

// Reads notes and their attachments from an open Notes store, in either layout.
// Statements are built from the columns the store really has: column names,
// entity numbers and the date columns moved between OS versions.
class NoteStoreReader {
public:
    // Bound parameters per legacy attachment statement; SQLite's limit was 999 before 3.32.
    static constexpr std::size_t kAttachmentChunk = 500;
    static constexpr std::size_t kConversionBatch = 50;

    // Whether the process may read the protected Library folders, by reading the file accessProbePath names.
    static bool checkFullDiskAccess(const Source& source, const ReadabilityProbe& probe);
    // The file whose readability stands for the whole Library folder (empty when there is none to probe).
    static std::string accessProbePath(const Source& source);
    // Opens the store through a DatabaseSnapshot (read in place, or copied below `scratchFolder`
    // where that is impossible). Throws DomainError 2 when the store does not exist, 7 otherwise.
    static DatabaseSnapshot openStore(const std::string& storePath, const std::filesystem::path& scratchFolder);

    // `containerFolder` is the Notes group container of the original store (media files live there).
    NoteStoreReader(const Database& db, std::string containerFolder, ProgressHandler progress = {},
                    std::stop_token stop = {});

    // Plain text is all the text exports need; renderers also want the formatting runs;
    // counting needs no bodies at all.
    enum class Bodies { plainText, documents, none };
    void setBodies(Bodies bodies) { m_bodies = bodies; }
    // Passwords to try on locked notes, each in turn; without any, locked notes stay locked.
    void setPasswords(std::vector<std::string> passwords) { m_passwords = std::move(passwords); }

    SchemaInfo detectSchema() const;
    std::optional<std::int64_t> queryScalar(const std::string& sql) const;

    class Cursor;
    // The notes, newest modification first, a batch at a time: the list (titles, dates,
    // attachments) is read at once, each body only when its batch is asked for, so memory follows
    // the batch and not the store. Throws DomainError 8 when the statement cannot be prepared and
    // 10 when the store fails while being read.
    Cursor openNotes(const SchemaInfo& schema) const;
    // Every note at once, through a cursor. Stops between batches when asked.
    std::vector<Note> queryNotes(const SchemaInfo& schema) const;
    std::map<std::int64_t, std::vector<Attachment>> queryAllAttachments(const SchemaInfo& schema,
                                                                        const std::vector<std::int64_t>& noteIds) const;

    // What it takes to open each password-protected note, by note id.
    std::map<std::int64_t, LockedNoteCrypto> queryLockedNoteCrypto() const;
    // The notes that have tables, and one note's table data: (attachment identifier, stored blob)
    // in store order.
    std::set<std::int64_t> notesWithTables() const;
    std::vector<std::pair<std::string, std::string>> tableData(std::int64_t noteId) const;

    std::string countStatement(const SchemaInfo& schema) const;
    // Column 8 holds the body itself, or with `bodyRowOnly` the row that holds it.
    std::string notesStatement(const SchemaInfo& schema, bool bodyRowOnly = false) const;
    // `idCount` placeholders for the legacy statement; the modern one reads all attachment rows once.
    std::string attachmentsStatement(const SchemaInfo& schema, std::size_t idCount) const;

private:
    struct RawNote;
    struct StoreShape;

    const StoreShape& shape() const;
    std::vector<RawNote> readRawNotes(const SchemaInfo& schema) const;
    std::string tableDataStatement(const std::string& noteTest) const;
    void addLargestPreviews(std::map<std::int64_t, std::vector<Attachment>>& attachments) const;
    void attachTables(Note& note, std::vector<std::pair<std::string, std::string>> blobs) const;
    void report(double fraction, const std::string& message) const;

    const Database& m_db;
    std::string m_containerFolder;
    ProgressHandler m_progress;
    std::stop_token m_stop;
    mutable std::shared_ptr<StoreShape> m_shape;
    Bodies m_bodies = Bodies::plainText;
    std::vector<std::string> m_passwords;
};

class NoteStoreReader::Cursor {
public:
    Cursor(Cursor&&) noexcept;
    Cursor& operator=(Cursor&&) noexcept;
    ~Cursor();

    std::size_t total() const;
    std::size_t done() const;
    // The next notes in row order, at most `count`, bodies decoded; empty at the end.
    std::vector<Note> next(std::size_t count);

    // What the list says of each note still to come (no body, no attachments): enough to place it
    // and to decide which notes to read, in the cursor's order.
    std::vector<Note> headers() const;
    // Keeps only the notes still to come at these positions of headers(), read in this order.
    void arrange(const std::vector<std::size_t>& order);

private:
    friend class NoteStoreReader;
    struct State;
    Cursor(const NoteStoreReader& reader, std::unique_ptr<State> state);
    Note convert(RawNote& raw);
    // What the list row says of a note, without body or attachments.
    static Note header(const RawNote& raw);

    const NoteStoreReader* m_reader;
    std::unique_ptr<State> m_state;
};

} // namespace varnholt::notesdb
