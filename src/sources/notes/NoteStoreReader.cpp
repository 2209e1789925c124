#include "sources/notes/NoteStoreReader.h"

#include "platform/Database.h"
#include "platform/DomainError.h"
#include "platform/Gzip.h"
#include "platform/Iso8601.h"
#include "platform/Statement.h"
#include "platform/Trace.h"
#include "sources/notes/AttachmentFiles.h"
#include "sources/notes/NoteBodyDecoder.h"
#include "sources/notes/NoteTableDecoder.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>

namespace varnholt::notesdb {

namespace fs = std::filesystem;

struct NoteStoreReader::RawNote {
    std::int64_t id = 0;
    std::optional<std::string> title;
    std::optional<std::string> snippet;
    // The row of the notes data table that holds the body.
    std::optional<std::int64_t> bodyRow;
    std::optional<double> created;
    std::optional<double> modified;
    bool isDeleted = false;
    bool isPinned = false;
    bool isLocked = false;
    std::optional<std::int64_t> folderId;
    std::optional<std::int64_t> accountId;
    std::optional<std::string> folderName;
    std::optional<std::string> accountName;
    std::string accountIdentifier;
};

// What the store really holds: tables, their columns, and Core Data's entity numbers.
struct NoteStoreReader::StoreShape {
    std::set<std::string> tables;
    std::map<std::string, std::set<std::string>> columns;
    std::map<std::string, std::int64_t> entities;

    bool has(const std::string& table, const std::string& column) const
    {
        const auto it = columns.find(table);
        return it != columns.end() && it->second.count(column) > 0;
    }
    std::optional<std::int64_t> entity(const std::string& name) const
    {
        const auto it = entities.find(name);
        if (it == entities.end())
            return std::nullopt;
        return it->second;
    }
};

namespace {
constexpr const char* kObjects = "ZICCLOUDSYNCINGOBJECT";

// "COALESCE(a, b)" as the statements write it; a single candidate stands alone, none is NULL.
std::string coalesce(const std::vector<std::string>& candidates)
{
    if (candidates.empty())
        return "NULL";
    if (candidates.size() == 1)
        return candidates.front();
    std::string out = "COALESCE(";
    for (size_t i = 0; i < candidates.size(); ++i)
        out += (i ? ", " : "") + candidates[i];
    return out + ")";
}

// "    SELECT a AS x,\n           b AS y\n": the statements' own layout.
std::string selectList(const std::vector<std::pair<std::string, std::string>>& columns)
{
    std::string out = "    SELECT ";
    for (size_t i = 0; i < columns.size(); ++i) {
        if (i > 0)
            out += "           ";
        out += columns[i].first + " AS " + columns[i].second + (i + 1 < columns.size() ? ",\n" : "\n");
    }
    return out;
}

std::optional<std::string> columnString(const Statement& statement, int column)
{
    return statement.columnOptionalText(column);
}

std::optional<std::string> columnBlob(const Statement& statement, int column)
{
    const std::string_view blob = statement.columnBlob(column);
    if (blob.data() == nullptr || blob.empty())
        return std::nullopt;
    return std::string(blob);
}

// Seconds since 2001 in the store; 0, negative or NULL means no date.
std::optional<double> columnDate(const Statement& statement, int column)
{
    if (statement.isNull(column))
        return std::nullopt;
    const double value = statement.columnDouble(column);
    if (!(value > 0.0))
        return std::nullopt;
    return value + kAppleReferenceOffset;
}

std::optional<std::int64_t> columnOptionalInt64(const Statement& statement, int column)
{
    if (statement.isNull(column))
        return std::nullopt;
    return statement.columnInt64(column);
}

std::string placeholders(size_t count)
{
    std::string out;
    for (size_t i = 0; i < count; ++i)
        out += i ? ",?" : "?";
    return out;
}

[[noreturn]] void throwReadFailure(const std::string& message)
{
    // Stopping quietly would lose every later note while reporting success.
    throw DomainError("NotesExporter", 10,
                      "Failed to read notes: " + message +
                          ". The Notes database may be damaged; copy it again from the Mac and retry.",
                      ErrorKind::damaged);
}

} // namespace

std::string NoteStoreReader::accessProbePath(const Source& source)
{
    // A whole home holds the Messages database, and whether this user may read it says whether the
    // protected Library folders can be read at all. A copied home may hold the Notes store alone;
    // then a missing chat.db says nothing about access and the Notes store itself is probed.
    const std::string messages = source.messagesDatabase();
    std::error_code ec;
    if (fs::exists(messages, ec))
        return messages;
    const std::string store = source.notesStore();
    if (fs::exists(store, ec))
        return store;
    return {};
}

bool NoteStoreReader::checkFullDiskAccess(const Source& source, const ReadabilityProbe& probe)
{
    const std::string probed = accessProbePath(source);
    return probed.empty() || probe(probed); // nothing to probe: the missing store is reported next
}

DatabaseSnapshot NoteStoreReader::openStore(const std::string& storePath, const fs::path& scratchFolder)
{
    auto snapshot = DatabaseSnapshot::open(storePath, scratchFolder);
    if (snapshot)
        return std::move(*snapshot);
    const SnapshotError& error = snapshot.error();
    if (error.kind() == ErrorKind::notFound)
        throw DomainError("NotesExporter", 2, "Notes database not found at expected location", ErrorKind::notFound);
    throw DomainError("NotesExporter", 7,
                      "Failed to open database: " + (error.reason().empty() ? "Unknown error" : error.reason()),
                      error.kind());
}

NoteStoreReader::NoteStoreReader(const Database& db, std::string containerFolder, ProgressHandler progress,
                                 std::stop_token stop)
    : m_db(db), m_containerFolder(std::move(containerFolder)), m_progress(std::move(progress)), m_stop(std::move(stop))
{
}

void NoteStoreReader::report(double fraction, const std::string& message) const
{
    if (m_progress)
        m_progress(fraction, message);
}

const NoteStoreReader::StoreShape& NoteStoreReader::shape() const
{
    if (m_shape)
        return *m_shape;
    auto shape = std::make_shared<StoreShape>();
    if (auto tables = m_db.prepare("SELECT name FROM sqlite_master WHERE type='table'")) {
        while (tables->step() == Statement::Step::Row)
            shape->tables.insert(tables->columnText(0));
    }
    for (const char* table : {kObjects, "ZICNOTEDATA", "ZNOTE", "ZNOTEDATA", "ZATTACHMENT"}) {
        if (!shape->tables.count(table))
            continue;
        shape->columns[table] = m_db.columnsOf(table).value_or(std::set<std::string>{});
    }
    if (shape->tables.count("Z_PRIMARYKEY")) {
        if (auto keys = m_db.prepare("SELECT Z_NAME, Z_ENT FROM Z_PRIMARYKEY")) {
            while (keys->step() == Statement::Step::Row)
                shape->entities[keys->columnText(0)] = keys->columnInt64(1);
        }
    }
    m_shape = std::move(shape);
    return *m_shape;
}

std::optional<std::int64_t> NoteStoreReader::queryScalar(const std::string& sql) const
{
    auto statement = m_db.prepare(sql);
    if (!statement)
        return std::nullopt;
    if (statement->step() != Statement::Step::Row)
        return std::nullopt;
    return statement->columnInt64(0);
}

SchemaInfo NoteStoreReader::detectSchema() const
{
    SchemaInfo info;
    const auto modern =
        queryScalar("SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name='ZICCLOUDSYNCINGOBJECT';");
    if (!modern || *modern <= 0)
        info = SchemaInfo::legacy();
    if (const auto version = queryScalar("PRAGMA user_version;"))
        info.userVersion = *version;
    return info;
}

std::string NoteStoreReader::countStatement(const SchemaInfo& schema) const
{
    if (!schema.isModernSchema)
        return "SELECT COUNT(*) FROM ZNOTE";
    if (const auto note = shape().entity("ICNote"))
        return "SELECT COUNT(*) FROM ZICCLOUDSYNCINGOBJECT WHERE Z_ENT = " + std::to_string(*note);
    return "SELECT COUNT(*) FROM ZICCLOUDSYNCINGOBJECT WHERE ZTITLE IS NOT NULL OR ZTITLE1 IS NOT NULL OR ZTITLE2 IS "
           "NOT NULL";
}

std::string NoteStoreReader::notesStatement(const SchemaInfo& schema, bool bodyRowOnly) const
{
    const StoreShape& s = shape();
    const std::pair<std::string, std::string> bodyName =
        bodyRowOnly ? std::pair<std::string, std::string>{"d.ROWID", "body_row"} : std::pair{"d.ZDATA", "body_blob"};
    if (!schema.isModernSchema) {
        // The legacy statement as it has always been; a column this store lacks reads as NULL.
        auto n = [&](const std::string& column) { return s.has("ZNOTE", column) ? "n." + column : "NULL"; };
        std::vector<std::string> titles;
        for (const char* column : {"ZTITLE", "ZTITLE1"})
            if (s.has("ZNOTE", column))
                titles.push_back(std::string("n.") + column);
        std::string sql = selectList(
            {{"n.Z_PK", "note_id"},
             {coalesce(titles), "title"},
             {n("ZSNIPPET"), "snippet"},
             {n("ZCREATIONDATE"), "created"},
             {n("ZMODIFICATIONDATE"), "modified"},
             {n("ZMARKEDFORDELETION"), "is_deleted"},
             {n("ZISPINNED"), "is_pinned"},
             {n("ZLOCKED"), "is_locked"},
             {s.has("ZNOTEDATA", "ZDATA") && (!bodyRowOnly || s.has("ZNOTEDATA", "ZNOTE")) ? bodyName.first : "NULL",
              bodyName.second},
             {n("ZFOLDER"), "folder_id"},
             {n("ZACCOUNT"), "account_id"}});
        sql += "    FROM ZNOTE n\n";
        if (s.has("ZNOTEDATA", "ZNOTE"))
            sql += "    LEFT JOIN ZNOTEDATA d ON d.ZNOTE = n.Z_PK\n";
        sql += "    ORDER BY " + std::string(s.has("ZNOTE", "ZMODIFICATIONDATE") ? "n.ZMODIFICATIONDATE" : "n.Z_PK") +
               " DESC";
        return sql;
    }

    auto present = [&](const std::string& alias, std::initializer_list<const char*> columns) {
        std::vector<std::string> out;
        for (const char* column : columns)
            if (s.has(kObjects, column))
                out.push_back(alias + "." + column);
        return out;
    };
    auto n = [&](const std::string& column) { return s.has(kObjects, column) ? "n." + column : "NULL"; };

    std::string lockedTest;
    if (s.has(kObjects, "ZLOCKEDNOTESMODE"))
        lockedTest = "n.ZLOCKEDNOTESMODE > 0";
    if (s.has(kObjects, "ZISPASSWORDPROTECTED"))
        lockedTest += (lockedTest.empty() ? "" : " OR ") + std::string("n.ZISPASSWORDPROTECTED = 1");
    const std::string isLocked = lockedTest.empty() ? "0" : "CASE WHEN " + lockedTest + " THEN 1 ELSE 0 END";

    // The note's own account column moved between versions; the folder's owner is the sure way.
    const std::string noteAccount = coalesce(
        present("n", {"ZACCOUNT8", "ZACCOUNT7", "ZACCOUNT6", "ZACCOUNT5", "ZACCOUNT4", "ZACCOUNT3", "ZACCOUNT2"}));
    const bool hasFolder = s.has(kObjects, "ZFOLDER");
    std::vector<std::string> accountCandidates;
    if (hasFolder && s.has(kObjects, "ZOWNER"))
        accountCandidates.push_back("f.ZOWNER");
    if (noteAccount != "NULL")
        accountCandidates.push_back(noteAccount);
    const std::string accountKey = coalesce(accountCandidates);
    const bool hasAccount = accountKey != "NULL";
    const bool hasBody = s.has("ZICNOTEDATA", "ZDATA") && s.has("ZICNOTEDATA", "ZNOTE");

    std::string sql =
        selectList({{"n.Z_PK", "note_id"},
                    {coalesce(present("n", {"ZTITLE", "ZTITLE1", "ZTITLE2"})), "title"},
                    {n("ZSNIPPET"), "snippet"},
                    {coalesce(present("n", {"ZCREATIONDATE3", "ZCREATIONDATE1", "ZCREATIONDATE"})), "created"},
                    {coalesce(present("n", {"ZMODIFICATIONDATE1", "ZMODIFICATIONDATE"})), "modified"},
                    {"COALESCE(" + n("ZMARKEDFORDELETION") + ", 0)", "is_deleted"},
                    {"COALESCE(" + n("ZISPINNED") + ", 0)", "is_pinned"},
                    {isLocked, "is_locked"},
                    {hasBody ? bodyName.first : "NULL", bodyName.second},
                    {n("ZFOLDER"), "folder_id"},
                    {noteAccount, "account_id"},
                    {hasFolder && s.has(kObjects, "ZTITLE2") ? "f.ZTITLE2" : "NULL", "folder_name"},
                    {hasAccount && s.has(kObjects, "ZNAME") ? "a.ZNAME" : "NULL", "account_name"},
                    {hasAccount && s.has(kObjects, "ZIDENTIFIER") ? "a.ZIDENTIFIER" : "NULL", "account_identifier"}});
    sql += "    FROM ZICCLOUDSYNCINGOBJECT n\n";
    if (hasBody)
        sql += "    LEFT JOIN ZICNOTEDATA d ON d.ZNOTE = n.Z_PK\n";
    if (hasFolder) {
        sql += "    LEFT JOIN ZICCLOUDSYNCINGOBJECT f ON f.Z_PK = n.ZFOLDER";
        if (const auto folderEntity = s.entity("ICFolder"))
            sql += " AND f.Z_ENT = " + std::to_string(*folderEntity);
        sql += "\n";
    }
    if (hasAccount) {
        sql += "    LEFT JOIN ZICCLOUDSYNCINGOBJECT a ON a.Z_PK = " + accountKey;
        if (const auto accountEntity = s.entity("ICAccount"))
            sql += " AND a.Z_ENT = " + std::to_string(*accountEntity);
        sql += "\n";
    }
    if (const auto note = s.entity("ICNote")) {
        sql += "    WHERE n.Z_ENT = " + std::to_string(*note) + "\n";
    } else {
        // No entity table: the old title test is all there is.
        std::string test;
        for (const std::string& title : present("n", {"ZTITLE", "ZTITLE1", "ZTITLE2"}))
            test += (test.empty() ? "" : " OR ") + title + " IS NOT NULL";
        sql += "    WHERE " + (test.empty() ? std::string("0") : test) + "\n";
    }
    sql += "    ORDER BY modified DESC";
    return sql;
}

std::vector<NoteStoreReader::RawNote> NoteStoreReader::readRawNotes(const SchemaInfo& schema) const
{
    const std::int64_t count = queryScalar(countStatement(schema)).value_or(0);
    Trace::line("[FastDB] Total notes to process: " + std::to_string(count));
    std::vector<RawNote> rows;
    rows.reserve(static_cast<size_t>(std::max<std::int64_t>(count, 0)));

    const std::string sql = notesStatement(schema, true);
    auto statement = m_db.prepare(sql);
    if (!statement) {
        Trace::line("[FastDB] SQL Error: " + statement.error());
        Trace::line("[FastDB] SQL Query: " + sql);
        throw DomainError("NotesExporter", 8, "Failed to prepare notes query: " + statement.error(),
                          ErrorKind::damaged);
    }

    const bool hasNames = statement->columnCount() >= 14;
    size_t counter = 0;
    while (true) {
        const Statement::Step step = statement->step();
        if (step == Statement::Step::Done)
            break;
        if (step == Statement::Step::Error) {
            // Stopping here would lose every later note while reporting success.
            const std::string message = m_db.errorMessage();
            Trace::line("[FastDB] ❌ Reading notes failed after " + std::to_string(counter) + " rows: " + message);
            throwReadFailure(message);
        }
        RawNote raw;
        raw.id = statement->columnInt64(0);
        raw.title = columnString(*statement, 1);
        raw.snippet = columnString(*statement, 2);
        raw.created = columnDate(*statement, 3);
        raw.modified = columnDate(*statement, 4);
        raw.isDeleted = statement->columnInt(5) != 0;
        raw.isPinned = statement->columnInt(6) != 0;
        raw.isLocked = statement->columnInt(7) != 0;
        raw.bodyRow = columnOptionalInt64(*statement, 8);
        raw.folderId = columnOptionalInt64(*statement, 9);
        raw.accountId = columnOptionalInt64(*statement, 10);
        if (hasNames) {
            raw.folderName = columnString(*statement, 11);
            raw.accountName = columnString(*statement, 12);
            raw.accountIdentifier = statement->columnText(13);
        }
        rows.push_back(std::move(raw));
        ++counter;
        if (counter % 100 == 0) {
            const double share = count > 0 ? static_cast<double>(counter) / static_cast<double>(count) : 1.0;
            report(0.2 + std::min(share, 1.0) * 0.05,
                   "Reading note " + std::to_string(counter) + " of " + std::to_string(count) + "...");
        }
    }
    return rows;
}

struct NoteStoreReader::Cursor::State {
    std::vector<RawNote> raws;
    std::size_t offset = 0;
    std::map<std::int64_t, std::vector<Attachment>> attachments;
    std::set<std::int64_t> withTables;
    LockedNoteOpener opener{std::vector<std::string>{}};
    std::map<std::int64_t, LockedNoteCrypto> lockedCrypto;
    std::optional<Statement> body;
    std::optional<Statement> tables;
    // The list and every body come from one read transaction: one consistent state of the store,
    // and no new look at a log the app may be checkpointing meanwhile.
    const Database* transaction = nullptr;

    ~State()
    {
        body.reset();
        tables.reset();
        if (transaction)
            (void)transaction->exec("COMMIT");
    }
};

NoteStoreReader::Cursor::Cursor(const NoteStoreReader& reader, std::unique_ptr<State> state)
    : m_reader(&reader), m_state(std::move(state))
{
}
NoteStoreReader::Cursor::Cursor(Cursor&&) noexcept = default;
NoteStoreReader::Cursor& NoteStoreReader::Cursor::operator=(Cursor&&) noexcept = default;
NoteStoreReader::Cursor::~Cursor() = default;

std::size_t NoteStoreReader::Cursor::total() const
{
    return m_state->raws.size();
}

std::size_t NoteStoreReader::Cursor::done() const
{
    return m_state->offset;
}

NoteStoreReader::Cursor NoteStoreReader::openNotes(const SchemaInfo& schema) const
{
    auto state = std::make_unique<Cursor::State>();
    // A caller already inside a transaction keeps its own.
    if (m_db.exec("BEGIN"))
        state->transaction = &m_db;
    state->raws = readRawNotes(schema);

    report(0.25, "Loading attachments...");
    std::vector<std::int64_t> ids;
    ids.reserve(state->raws.size());
    std::map<std::int64_t, std::string> accounts;
    for (const RawNote& raw : state->raws) {
        ids.push_back(raw.id);
        if (!raw.accountIdentifier.empty())
            accounts[raw.id] = raw.accountIdentifier;
    }
    state->attachments = queryAllAttachments(schema, ids);
    const AttachmentFiles files(m_containerFolder);
    if (schema.isModernSchema) {
        // Media folders sit under the account's folder; resolve them now that both are known.
        for (auto& [noteId, list] : state->attachments) {
            const auto account = accounts.find(noteId);
            files.locate(noteId, account == accounts.end() ? "" : account->second, list);
        }
    }

    if (m_bodies != Bodies::none) {
        const StoreShape& s = shape();
        const char* dataTable = schema.isModernSchema ? "ZICNOTEDATA" : "ZNOTEDATA";
        if (s.has(dataTable, "ZDATA")) {
            auto body = m_db.prepare(std::string("SELECT ZDATA FROM ") + dataTable + " WHERE ROWID = ?");
            if (!body)
                throw DomainError("NotesExporter", 8, "Failed to prepare the note body query: " + body.error(),
                                  ErrorKind::damaged);
            state->body.emplace(std::move(*body));
        }
        if (schema.isModernSchema) {
            state->withTables = notesWithTables();
            if (!state->withTables.empty())
                if (auto tables = m_db.prepare(tableDataStatement("a.ZNOTE = ?")))
                    state->tables.emplace(std::move(*tables));
        }
        state->opener = LockedNoteOpener(m_passwords);
        // Read even without passwords: what a note keeps tells which lock it has.
        if (schema.isModernSchema)
            state->lockedCrypto = queryLockedNoteCrypto();
    }
    report(0.27, "Extracting text from " + std::to_string(state->raws.size()) + " notes...");
    return Cursor(*this, std::move(state));
}

std::vector<Note> NoteStoreReader::Cursor::next(std::size_t count)
{
    State& state = *m_state;
    const std::size_t end = std::min(state.raws.size(), state.offset + count);
    std::vector<Note> notes;
    notes.reserve(end - state.offset);
    for (; state.offset < end; ++state.offset) {
        notes.push_back(convert(state.raws[state.offset]));
        // The list entry is spent; only its batch is kept in memory.
        state.raws[state.offset] = RawNote{};
    }
    return notes;
}

std::vector<Note> NoteStoreReader::Cursor::headers() const
{
    const State& state = *m_state;
    std::vector<Note> notes;
    notes.reserve(state.raws.size() - state.offset);
    for (std::size_t i = state.offset; i < state.raws.size(); ++i)
        notes.push_back(header(state.raws[i]));
    return notes;
}

void NoteStoreReader::Cursor::arrange(const std::vector<std::size_t>& order)
{
    State& state = *m_state;
    std::vector<RawNote> arranged;
    arranged.reserve(order.size());
    for (const std::size_t position : order)
        arranged.push_back(std::move(state.raws.at(state.offset + position)));
    state.raws = std::move(arranged);
    state.offset = 0;
}

Note NoteStoreReader::Cursor::header(const RawNote& raw)
{
    Note note;
    note.id = raw.id;
    note.title = raw.title;
    note.created = raw.created;
    note.modified = raw.modified;
    note.isDeleted = raw.isDeleted;
    note.isPinned = raw.isPinned;
    note.isLocked = raw.isLocked;
    note.folderId = raw.folderId;
    note.accountId = raw.accountId;
    note.folderName = raw.folderName;
    note.accountName = raw.accountName;
    return note;
}

Note NoteStoreReader::Cursor::convert(RawNote& raw)
{
    State& state = *m_state;
    const NoteStoreReader& reader = *m_reader;
    const bool wantBodies = reader.m_bodies != Bodies::none;
    Note note = header(raw);
    note.snippet = std::move(raw.snippet);

    std::optional<std::string> blob;
    if (wantBodies && raw.bodyRow && state.body) {
        Statement& body = *state.body;
        body.reset();
        body.bindInt64(1, *raw.bodyRow);
        const Statement::Step step = body.step();
        if (step == Statement::Step::Error) {
            const std::string message = reader.m_db.errorMessage();
            Trace::line("[FastDB] ❌ Reading the body of note " + std::to_string(raw.id) + " failed: " + message);
            throwReadFailure(message);
        }
        if (step == Statement::Step::Row)
            blob = columnBlob(body, 0);
    }

    if (raw.isLocked && wantBodies) {
        const auto crypto = state.lockedCrypto.find(raw.id);
        note.lock = crypto == state.lockedCrypto.end() ? LockKind::unknown : crypto->second.lock;
        LockedNoteOpener::Result opened =
            crypto == state.lockedCrypto.end()
                ? LockedNoteOpener::Result{std::nullopt, LockedNoteOpener::Failure::missingColumns}
                : state.opener.open(crypto->second);
        if (opened.body) {
            blob = std::move(opened.body);
            note.unlocked = true;
        } else if (state.opener.hasPasswords() || note.lock == LockKind::devicePasscode) {
            Trace::line("[FastDB] \U0001F512 The note \u201c" + note.title.value_or("") + "\u201d (" +
                        std::to_string(raw.id) +
                        ") stays locked: " + LockedNoteOpener::explain(opened.failure, state.opener.passwordCount()));
        }
    }
    if (auto found = state.attachments.find(raw.id); found != state.attachments.end()) {
        note.attachments = std::move(found->second);
        state.attachments.erase(found);
    }
    const bool readable = !raw.isLocked || note.unlocked;
    // A locked note's tables are encrypted as well; only its text is opened.
    const bool hasTables = state.tables && !raw.isLocked && state.withTables.count(raw.id) > 0;
    if (readable && blob && wantBodies) {
        // A table's (or hashtag's) place in the text is known only from the structured body.
        const bool hasTexts = std::any_of(note.attachments.begin(), note.attachments.end(),
                                          [](const Attachment& attachment) { return attachment.text.has_value(); });
        if (reader.m_bodies == Bodies::documents || hasTables || hasTexts)
            note.document = NoteBodyDecoder::decodeNoteDocument(*blob);
        if (hasTables) {
            std::vector<std::pair<std::string, std::string>> tables;
            Statement& statement = *state.tables;
            statement.reset();
            statement.bindInt64(1, raw.id);
            while (statement.step() == Statement::Step::Row)
                tables.emplace_back(statement.columnText(0), std::string(statement.columnBlob(1)));
            reader.attachTables(note, std::move(tables));
        }
        if (note.document) {
            note.bodyHTML = note.document->plainText(
                [&note](const NoteDocument::AttachmentReference& reference) { return note.attachmentText(reference); });
        } else {
            note.bodyHTML = NoteBodyDecoder::decodeNoteBody(*blob);
        }
        note.bodyUnreadable = !note.bodyHTML && looksLikeGzip(*blob);
        if (reader.m_bodies != Bodies::documents)
            note.document.reset();
    }
    return note;
}

std::vector<Note> NoteStoreReader::queryNotes(const SchemaInfo& schema) const
{
    Cursor cursor = openNotes(schema);
    const std::size_t total = cursor.total();
    std::vector<Note> notes;
    notes.reserve(total);
    while (cursor.done() < total) {
        if (m_stop.stop_requested())
            return notes;
        for (Note& note : cursor.next(kConversionBatch))
            notes.push_back(std::move(note));
        report(0.27 + (static_cast<double>(cursor.done()) / static_cast<double>(total)) * 0.03,
               "Processing note " + std::to_string(cursor.done()) + " of " + std::to_string(total) + "...");
    }
    return notes;
}

std::map<std::int64_t, LockedNoteCrypto> NoteStoreReader::queryLockedNoteCrypto() const
{
    std::map<std::int64_t, LockedNoteCrypto> result;
    const StoreShape& s = shape();
    if (!s.has(kObjects, "ZISPASSWORDPROTECTED"))
        return result;
    auto n = [&](const char* column) { return s.has(kObjects, column) ? std::string("n.") + column : "NULL"; };
    const bool hasData = s.has("ZICNOTEDATA", "ZNOTE");
    auto d = [&](const char* column) {
        return hasData && s.has("ZICNOTEDATA", column) ? std::string("d.") + column : "NULL";
    };
    // The lock setting of the note's account lives on the account's data row.
    std::string accountMode = "0";
    if (const auto accountData = s.entity("ICAccountData");
        accountData && s.has(kObjects, "ZLOCKEDNOTESMODE") && s.has(kObjects, "ZACCOUNT")) {
        std::vector<std::string> owners;
        if (s.has(kObjects, "ZFOLDER") && s.has(kObjects, "ZOWNER"))
            owners.push_back("(SELECT f.ZOWNER FROM ZICCLOUDSYNCINGOBJECT f WHERE f.Z_PK = n.ZFOLDER)");
        for (const char* column :
             {"ZACCOUNT8", "ZACCOUNT7", "ZACCOUNT6", "ZACCOUNT5", "ZACCOUNT4", "ZACCOUNT3", "ZACCOUNT2"})
            if (s.has(kObjects, column))
                owners.push_back(std::string("n.") + column);
        accountMode = "COALESCE((SELECT MAX(ad.ZLOCKEDNOTESMODE) FROM ZICCLOUDSYNCINGOBJECT ad WHERE ad.Z_ENT = " +
                      std::to_string(*accountData) + " AND ad.ZACCOUNT = " + coalesce(owners) + "), 0)";
    }
    std::string sql = "SELECT n.Z_PK, " + n("ZCRYPTOSALT") + ", " + n("ZCRYPTOITERATIONCOUNT") + ", " +
                      n("ZCRYPTOWRAPPEDKEY") + ", " + d("ZCRYPTOINITIALIZATIONVECTOR") + ", " + d("ZCRYPTOTAG") + ", " +
                      d("ZDATA") + ", " + accountMode + " FROM ZICCLOUDSYNCINGOBJECT n";
    if (hasData)
        sql += " LEFT JOIN ZICNOTEDATA d ON d.ZNOTE = n.Z_PK";
    sql += " WHERE n.ZISPASSWORDPROTECTED = 1";
    auto statement = m_db.prepare(sql);
    if (!statement)
        return result;
    auto blob = [&](int column) { return std::string(statement->columnBlob(column)); };
    while (statement->step() == Statement::Step::Row) {
        LockedNoteCrypto crypto;
        crypto.salt = blob(1);
        crypto.iterations = statement->isNull(2) ? 0 : statement->columnInt64(2);
        crypto.wrappedKey = blob(3);
        crypto.initializationVector = blob(4);
        crypto.tag = blob(5);
        crypto.ciphertext = blob(6);
        crypto.accountLockedNotesMode = statement->columnInt64(7);
        crypto.lock = LockedNoteOpener::lockOf(crypto);
        result.emplace(statement->columnInt64(0), std::move(crypto));
    }
    return result;
}

std::string NoteStoreReader::tableDataStatement(const std::string& noteTest) const
{
    const StoreShape& s = shape();
    const auto attachment = s.entity("ICAttachment");
    std::vector<std::string> data;
    for (const char* column : {"ZMERGEABLEDATA1", "ZMERGEABLEDATA"})
        if (s.has(kObjects, column))
            data.push_back(std::string("a.") + column);
    if (!attachment || data.empty() || !s.has(kObjects, "ZNOTE") || !s.has(kObjects, "ZTYPEUTI") ||
        !s.has(kObjects, "ZIDENTIFIER"))
        return {};
    return "SELECT a.ZIDENTIFIER, " + coalesce(data) +
           ", a.ZNOTE FROM ZICCLOUDSYNCINGOBJECT a WHERE a.Z_ENT = " + std::to_string(*attachment) +
           " AND a.ZTYPEUTI = 'com.apple.notes.table' AND " + noteTest + " ORDER BY a.ZNOTE, a.Z_PK";
}

std::set<std::int64_t> NoteStoreReader::notesWithTables() const
{
    std::set<std::int64_t> result;
    const std::string sql = tableDataStatement("a.ZNOTE IS NOT NULL");
    if (sql.empty())
        return result;
    // Only the note column is read, so the table blobs stay on disk.
    if (auto statement = m_db.prepare(sql))
        while (statement->step() == Statement::Step::Row)
            result.insert(statement->columnInt64(2));
    return result;
}

std::vector<std::pair<std::string, std::string>> NoteStoreReader::tableData(std::int64_t noteId) const
{
    std::vector<std::pair<std::string, std::string>> result;
    const std::string sql = tableDataStatement("a.ZNOTE = ?");
    if (sql.empty())
        return result;
    auto statement = m_db.prepare(sql);
    if (!statement)
        return result;
    statement->bindInt64(1, noteId);
    while (statement->step() == Statement::Step::Row)
        result.emplace_back(statement->columnText(0), std::string(statement->columnBlob(1)));
    return result;
}

void NoteStoreReader::attachTables(Note& note, std::vector<std::pair<std::string, std::string>> blobs) const
{
    // Body order where the body says it; a table the body does not name was removed from the note.
    std::vector<std::string> order;
    if (note.document) {
        for (const NoteDocument::AttachmentReference& reference : note.document->attachments())
            order.push_back(reference.identifier);
    } else {
        for (const auto& blob : blobs)
            order.push_back(blob.first);
    }
    for (const std::string& identifier : order) {
        const auto blob =
            std::find_if(blobs.begin(), blobs.end(), [&](const auto& b) { return b.first == identifier; });
        if (blob == blobs.end() || note.table(identifier))
            continue;
        NoteTableDecoder::Result decoded = NoteTableDecoder::decode(blob->second);
        std::string().swap(blob->second);
        if (decoded.table) {
            note.tables.emplace_back(identifier, std::move(*decoded.table));
            continue;
        }
        ++note.unreadableTables;
        Trace::line("[FastDB] \u26A0\uFE0F A table in note " + std::to_string(note.id) + " (" +
                    note.title.value_or("") + ") could not be read: " + decoded.problem +
                    "; the rest of the note is exported");
    }
}

std::string NoteStoreReader::attachmentsStatement(const SchemaInfo& schema, std::size_t idCount) const
{
    if (!schema.isModernSchema)
        return "    SELECT ZNOTE, Z_PK, ZFILENAME, ZMEDIA, ZTYPEUTI, ZIDENTIFIER\n"
               "    FROM ZATTACHMENT\n"
               "    WHERE ZNOTE IN (" +
               placeholders(idCount) + ")";
    const StoreShape& s = shape();
    const auto attachment = s.entity("ICAttachment");
    if (!attachment || !s.has(kObjects, "ZNOTE"))
        return {};
    auto a = [&](const std::string& column) { return s.has(kObjects, column) ? "a." + column : "NULL"; };
    const bool hasMedia = s.has(kObjects, "ZMEDIA");
    auto m = [&](const std::string& column) { return hasMedia && s.has(kObjects, column) ? "m." + column : "NULL"; };
    // A gallery's pages may name only their gallery; they belong to the gallery's note.
    const bool hasParent = s.has(kObjects, "ZPARENTATTACHMENT");
    const std::string note = hasParent ? "COALESCE(a.ZNOTE, g.ZNOTE)" : "a.ZNOTE";
    std::string sql = "    SELECT " + note + ", a.Z_PK, " + m("ZFILENAME") + ", " + m("ZIDENTIFIER") + ", " +
                      a("ZTYPEUTI") + ", " + a("ZIDENTIFIER") + ", " + a("ZURLSTRING") + ", " + a("ZTITLE") +
                      ", NULL, " + a("ZPARENTATTACHMENT") + ", " + a("ZFALLBACKIMAGEGENERATION") + ", " +
                      a("ZFALLBACKPDFGENERATION") + "\n    FROM ZICCLOUDSYNCINGOBJECT a\n";
    if (hasMedia)
        sql += "    LEFT JOIN ZICCLOUDSYNCINGOBJECT m ON m.Z_PK = a.ZMEDIA\n";
    if (hasParent)
        sql += "    LEFT JOIN ZICCLOUDSYNCINGOBJECT g ON g.Z_PK = a.ZPARENTATTACHMENT\n";
    sql += "    WHERE a.Z_ENT = " + std::to_string(*attachment) + " AND " + note + " IS NOT NULL\n";
    // Hashtags, mentions and links to other notes are rows of their own kind, with their text.
    std::vector<std::string> inlineNote;
    for (const char* column : {"ZNOTE1", "ZNOTE"})
        if (s.has(kObjects, column))
            inlineNote.push_back(std::string("i.") + column);
    std::vector<std::string> inlineText;
    for (const char* column : {"ZALTTEXT", "ZTOKENCONTENTIDENTIFIER"})
        if (s.has(kObjects, column))
            inlineText.push_back(std::string("i.") + column);
    const auto inlineEntity = s.entity("ICInlineAttachment");
    const std::string inlineType = s.has(kObjects, "ZTYPEUTI1") ? "i.ZTYPEUTI1" : "i.ZTYPEUTI";
    if (inlineEntity && !inlineText.empty() && s.has(kObjects, "ZIDENTIFIER") &&
        s.has(kObjects, inlineType.substr(2))) {
        const std::string inlineNoteColumn = coalesce(inlineNote);
        sql += "    UNION ALL SELECT " + inlineNoteColumn + ", i.Z_PK, NULL, NULL, " + inlineType +
               ", i.ZIDENTIFIER, NULL, NULL, " + coalesce(inlineText) +
               ", NULL, NULL, NULL\n    FROM ZICCLOUDSYNCINGOBJECT i\n    WHERE i.Z_ENT = " +
               std::to_string(*inlineEntity) + " AND " + inlineNoteColumn + " IS NOT NULL\n";
    }
    sql += "    ORDER BY 1, 2";
    return sql;
}

void NoteStoreReader::addLargestPreviews(std::map<std::int64_t, std::vector<Attachment>>& attachments) const
{
    // The previews Notes rendered for attachments, in one pass: the largest of each is the stand-in
    // of last resort for one whose file is missing.
    const StoreShape& s = shape();
    const auto previewEntity = s.entity("ICAttachmentPreviewImage");
    if (!previewEntity || !s.has(kObjects, "ZATTACHMENT") || !s.has(kObjects, "ZIDENTIFIER"))
        return;
    std::string size;
    for (const char* column : {"ZWIDTH", "ZHEIGHT", "ZSCALE"})
        if (s.has(kObjects, column))
            size += std::string(size.empty() ? "" : " * ") + "COALESCE(" + column + ", 1)";
    auto statement = m_db.prepare("SELECT ZATTACHMENT, ZIDENTIFIER, " +
                                  std::string(s.has(kObjects, "ZGENERATION") ? "ZGENERATION" : "NULL") + ", " +
                                  (size.empty() ? std::string("0") : size) +
                                  " FROM ZICCLOUDSYNCINGOBJECT WHERE Z_ENT = " + std::to_string(*previewEntity) +
                                  " AND ZATTACHMENT IS NOT NULL ORDER BY Z_PK");
    if (!statement)
        return;
    struct Preview {
        std::string identifier;
        std::optional<std::string> generation;
        double size = -1;
    };
    std::map<std::int64_t, Preview> largest;
    while (statement->step() == Statement::Step::Row) {
        Preview& best = largest[statement->columnInt64(0)];
        const double size = statement->columnDouble(3);
        if (size >= best.size)
            best = {statement->columnText(1), columnString(*statement, 2), size};
    }
    for (auto& [note, list] : attachments)
        for (Attachment& attachment : list)
            if (const auto found = largest.find(attachment.id); found != largest.end()) {
                attachment.previewIdentifier = found->second.identifier;
                attachment.previewGeneration = found->second.generation;
            }
}

std::map<std::int64_t, std::vector<Attachment>>
NoteStoreReader::queryAllAttachments(const SchemaInfo& schema, const std::vector<std::int64_t>& noteIds) const
{
    std::map<std::int64_t, std::vector<Attachment>> result;
    if (noteIds.empty())
        return result;
    auto readRows = [&](Statement& statement, const std::unordered_set<std::int64_t>* wanted) {
        Statement::Step step;
        while ((step = statement.step()) == Statement::Step::Row) {
            const std::int64_t note = statement.columnInt64(0);
            if (wanted && !wanted->count(note))
                continue;
            Attachment attachment;
            attachment.id = statement.columnInt64(1);
            attachment.filename = columnString(statement, 2);
            attachment.directory = columnString(statement, 3);
            attachment.typeUTI = columnString(statement, 4);
            attachment.identifier = columnString(statement, 5);
            if (statement.columnCount() >= 12) {
                attachment.url = columnString(statement, 6);
                attachment.title = columnString(statement, 7);
                attachment.text = columnString(statement, 8);
                attachment.parent = columnOptionalInt64(statement, 9);
                attachment.fallbackImageGeneration = columnString(statement, 10);
                attachment.fallbackPdfGeneration = columnString(statement, 11);
            }
            result[note].push_back(std::move(attachment));
        }
        if (step == Statement::Step::Error) {
            // As with the notes themselves: a cut-off list would pass for every attachment.
            const std::string message = m_db.errorMessage();
            Trace::line("[FastDB] \u274C Reading attachments failed: " + message);
            throw DomainError("NotesExporter", 10,
                              "Failed to read note attachments: " + message +
                                  ". The Notes database may be damaged; copy it again from the Mac and retry.",
                              ErrorKind::damaged);
        }
    };

    if (schema.isModernSchema) {
        // One pass over the attachment rows, kept when their note is asked for: no bound
        // parameters, so no limit on how many notes, and no scan per slice of ids.
        const std::string sql = attachmentsStatement(schema, 0);
        if (sql.empty())
            return result;
        auto statement = m_db.prepare(sql);
        if (!statement)
            return result;
        const std::unordered_set<std::int64_t> wanted(noteIds.begin(), noteIds.end());
        readRows(*statement, &wanted);
        addLargestPreviews(result);
        return result;
    }
    // The legacy statement names its ids: they go in slices under SQLite's limit on bound parameters.
    for (size_t offset = 0; offset < noteIds.size(); offset += kAttachmentChunk) {
        const size_t count = std::min(kAttachmentChunk, noteIds.size() - offset);
        auto statement = m_db.prepare(attachmentsStatement(schema, count));
        if (!statement)
            return result; // a store without the attachments table has no attachments
        for (size_t i = 0; i < count; ++i)
            statement->bindInt64(static_cast<int>(i + 1), noteIds[offset + i]);
        readRows(*statement, nullptr);
    }
    return result;
}

} // namespace varnholt::notesdb
