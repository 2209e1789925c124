#include "sources/notesapp/NotesLibrary.h"

#include "platform/Database.h"
#include "platform/DomainError.h"
#include "platform/Statement.h"
#include "sources/notes/NoteStoreReader.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace varnholt::notesapp {

namespace fs = std::filesystem;

namespace {

std::optional<std::int64_t> entity(const Database& db, const std::string& name)
{
    auto statement = db.prepare("SELECT Z_ENT FROM Z_PRIMARYKEY WHERE Z_NAME = ?");
    if (!statement)
        return std::nullopt;
    statement->bindText(1, name);
    if (statement->step() != Statement::Step::Row)
        return std::nullopt;
    return statement->columnInt64(0);
}

std::string pick(const std::set<std::string>& columns, std::initializer_list<const char*> candidates)
{
    for (const char* candidate : candidates)
        if (columns.count(candidate))
            return candidate;
    return "NULL";
}

std::optional<std::int64_t> optionalInt(const Statement& s, int column)
{
    if (s.isNull(column))
        return std::nullopt;
    return s.columnInt64(column);
}

void readModern(const Database& db, std::vector<Account>& accounts, std::vector<Folder>& folders)
{
    const auto columns = db.columnsOf("ZICCLOUDSYNCINGOBJECT").value_or(std::set<std::string>{});
    if (const auto account = entity(db, "ICAccount")) {
        const std::string sql = "SELECT Z_PK, " + pick(columns, {"ZNAME"}) + ", " + pick(columns, {"ZIDENTIFIER"}) +
                                " FROM ZICCLOUDSYNCINGOBJECT WHERE Z_ENT = " + std::to_string(*account) +
                                " ORDER BY Z_PK";
        if (auto s = db.prepare(sql))
            while (s->step() == Statement::Step::Row)
                accounts.push_back({s->columnInt64(0), s->columnText(1), s->columnText(2)});
    }
    if (const auto folder = entity(db, "ICFolder")) {
        const std::string sql =
            "SELECT Z_PK, " + pick(columns, {"ZTITLE2", "ZTITLE"}) + ", " + pick(columns, {"ZPARENT"}) + ", " +
            pick(columns, {"ZOWNER"}) + ", " + pick(columns, {"ZFOLDERTYPE"}) +
            " FROM ZICCLOUDSYNCINGOBJECT WHERE Z_ENT = " + std::to_string(*folder) + " ORDER BY Z_PK";
        if (auto s = db.prepare(sql))
            while (s->step() == Statement::Step::Row) {
                Folder f{s->columnInt64(0), s->columnText(1), optionalInt(*s, 2), optionalInt(*s, 3),
                         s->columnInt(4) == 1};
                if (f.isTrash && f.name.empty())
                    f.name = NotesLibrary::kTrashFolderName;
                folders.push_back(std::move(f));
            }
    }
}

void readLegacy(const Database& db, std::vector<Account>& accounts, std::vector<Folder>& folders)
{
    const auto accountColumns = db.columnsOf("ZACCOUNT").value_or(std::set<std::string>{});
    if (!accountColumns.empty())
        if (auto s = db.prepare("SELECT Z_PK, " + pick(accountColumns, {"ZNAME"}) + " FROM ZACCOUNT ORDER BY Z_PK"))
            while (s->step() == Statement::Step::Row)
                accounts.push_back({s->columnInt64(0), s->columnText(1), {}});
    const auto folderColumns = db.columnsOf("ZFOLDER").value_or(std::set<std::string>{});
    if (!folderColumns.empty()) {
        const std::string sql = "SELECT Z_PK, " + pick(folderColumns, {"ZNAME"}) + ", " +
                                pick(folderColumns, {"ZPARENT"}) + ", " + pick(folderColumns, {"ZACCOUNT"}) +
                                " FROM ZFOLDER ORDER BY Z_PK";
        if (auto s = db.prepare(sql))
            while (s->step() == Statement::Step::Row)
                folders.push_back({s->columnInt64(0), s->columnText(1), optionalInt(*s, 2), optionalInt(*s, 3), false});
    }
}

} // namespace

// The store, its reader and the cursor over the shown notes; declared in the order they are opened,
// so they close the other way round.
struct NotesLibrary::Store {
    DatabaseSnapshot snapshot;
    std::optional<notesdb::NoteStoreReader> reader;
    std::optional<notesdb::NoteStoreReader::Cursor> cursor;
};

NotesLibrary::NotesLibrary() : m_store(std::make_unique<Store>()) {}
NotesLibrary::NotesLibrary(NotesLibrary&&) noexcept = default;
NotesLibrary& NotesLibrary::operator=(NotesLibrary&&) noexcept = default;
NotesLibrary::~NotesLibrary() = default;

NotesLibrary NotesLibrary::open(const Source& source, const ReadabilityProbe& canRead, std::stop_token stop,
                                Content content, const fs::path& scratchFolder, std::vector<std::string> passwords)
{
    const std::string storePath = source.notesStore();
    std::error_code ec;
    if (!fs::exists(storePath, ec))
        throw DomainError("NotesLibrary", 1, "No Notes database at " + storePath, ErrorKind::notFound);
    if (canRead && !canRead(storePath))
        throw DomainError("NotesLibrary", 2, "The Notes database cannot be read: " + storePath, ErrorKind::permission);

    NotesLibrary library;
    Store& store = *library.m_store;
    store.snapshot = notesdb::NoteStoreReader::openStore(storePath, scratchFolder);
    const Database& db = store.snapshot.database();
    notesdb::NoteStoreReader& reader =
        store.reader.emplace(db, fs::path(storePath).parent_path().string(), ProgressHandler{}, stop);
    reader.setBodies(content == Content::countsOnly ? notesdb::NoteStoreReader::Bodies::none
                                                    : notesdb::NoteStoreReader::Bodies::documents);
    reader.setPasswords(std::move(passwords));
    const auto schema = reader.detectSchema();
    // An empty or foreign file opens as a database too; say so rather than fail on a missing table.
    if (!schema.isModernSchema &&
        !reader.queryScalar("SELECT COUNT(*) FROM sqlite_master WHERE type='table' AND name='ZNOTE';").value_or(0))
        throw DomainError("NotesExporter", 3,
                          "The file at " + storePath +
                              " is not a Notes database: it has neither the ZICCLOUDSYNCINGOBJECT nor the ZNOTE "
                              "table. Choose the home folder of a Mac whose Notes database is in place.",
                          ErrorKind::damaged);

    if (schema.isModernSchema)
        readModern(db, library.m_accounts, library.m_folders);
    else
        readLegacy(db, library.m_accounts, library.m_folders);
    for (size_t i = 0; i < library.m_folders.size(); ++i)
        library.m_folderIndex[library.m_folders[i].id] = i;

    notesdb::NoteStoreReader::Cursor& cursor = store.cursor.emplace(reader.openNotes(schema));
    // Notes marked for deletion are on their way out of the store; the app no longer shows them.
    // Notes in Recently Deleted are still shown there, and are exported in that folder. The app
    // walks account, then folder, then the folder's notes newest first (the cursor's order).
    const std::vector<notesdb::Note> headers = cursor.headers();
    std::vector<std::pair<std::vector<std::string>, std::size_t>> shown;
    shown.reserve(headers.size());
    for (std::size_t i = 0; i < headers.size(); ++i)
        if (!headers[i].isDeleted)
            shown.emplace_back(library.location(headers[i]), i);
    std::stable_sort(shown.begin(), shown.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::size_t> order;
    order.reserve(shown.size());
    for (const auto& entry : shown)
        order.push_back(entry.second);
    cursor.arrange(order);
    return library;
}

std::size_t NotesLibrary::noteCount() const
{
    return m_store->cursor->total();
}

std::vector<notesdb::Note> NotesLibrary::next(std::size_t count)
{
    return m_store->cursor->next(count);
}

std::vector<notesdb::Note> NotesLibrary::readAll()
{
    std::vector<notesdb::Note> notes;
    for (auto batch = next(notesdb::NoteStoreReader::kConversionBatch); !batch.empty();
         batch = next(notesdb::NoteStoreReader::kConversionBatch))
        for (notesdb::Note& note : batch)
            notes.push_back(std::move(note));
    return notes;
}

bool NotesLibrary::isInTrash(const notesdb::Note& note) const
{
    std::set<std::int64_t> seen;
    for (std::optional<std::int64_t> current = note.folderId; current && seen.insert(*current).second;) {
        const auto it = m_folderIndex.find(*current);
        if (it == m_folderIndex.end())
            return false;
        if (m_folders[it->second].isTrash)
            return true;
        current = m_folders[it->second].parentId;
    }
    return false;
}

std::optional<std::int64_t> NotesLibrary::accountOf(const notesdb::Note& note) const
{
    if (note.folderId) {
        if (auto it = m_folderIndex.find(*note.folderId); it != m_folderIndex.end() && m_folders[it->second].accountId)
            return m_folders[it->second].accountId;
    }
    return note.accountId;
}

std::vector<std::string> NotesLibrary::location(const notesdb::Note& note) const
{
    std::vector<std::string> folders;
    std::set<std::int64_t> seen;
    std::optional<std::int64_t> current = note.folderId;
    while (current && seen.insert(*current).second) {
        const auto it = m_folderIndex.find(*current);
        if (it == m_folderIndex.end())
            break;
        const Folder& folder = m_folders[it->second];
        folders.insert(folders.begin(), folder.name);
        current = folder.parentId;
    }
    if (folders.empty())
        folders.push_back(note.folderName.value_or("Notes"));

    std::string account = note.accountName.value_or("");
    if (const auto id = accountOf(note))
        for (const Account& a : m_accounts)
            if (a.id == *id && !a.name.empty())
                account = a.name;
    if (account.empty())
        account = kDefaultAccountName;
    folders.insert(folders.begin(), account);
    return folders;
}

} // namespace varnholt::notesapp
