#include "sources/notes/DatabaseSnapshot.h"

#include "platform/Database.h"
#include "platform/DatabaseFileCopy.h"
#include "platform/DomainError.h"
#include "platform/FileSystemError.h"

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace varnholt::notesdb {

namespace fs = std::filesystem;

namespace {
fs::path makePrivateFolder(const fs::path& root)
{
    std::error_code ec;
    const fs::path base = root.empty() ? fs::temp_directory_path(ec) : root;
    if (ec)
        throw FileSystemError("find the temporary folder", "", ec);
    std::string pattern = (base / "varnholt-notes-XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!::mkdtemp(buffer.data())) // 0700: nobody else reads the copy
        throw FileSystemError("create a temporary folder in", base, std::error_code(errno, std::generic_category()));
    return fs::path(buffer.data());
}

void foldWriteAheadLog(const std::string& copy)
{
    // Only the private copy is opened for writing; recovering the WAL index and checkpointing
    // need it, and the export then opens the copy as an immutable file.
    auto db = Database::open(copy, Database::Mode::ReadWriteCreate);
    if (!db)
        throw DomainError("NotesExporter", 7, "Failed to open database: " + db.error());
    if (auto checkpoint = db->exec("PRAGMA wal_checkpoint(TRUNCATE);"); !checkpoint)
        throw DomainError("NotesExporter", 7, "Failed to open database: " + checkpoint.error());
    if (auto mode = db->exec("PRAGMA journal_mode=DELETE;"); !mode)
        throw DomainError("NotesExporter", 7, "Failed to open database: " + mode.error());
}
} // namespace

DatabaseSnapshot DatabaseSnapshot::create(const std::string& storePath, const fs::path& temporaryRoot)
{
    std::error_code ec;
    if (!fs::exists(storePath, ec))
        throw DomainError("NotesExporter", 2, "Notes database not found at expected location", ErrorKind::notFound);

    DatabaseSnapshot snapshot(makePrivateFolder(temporaryRoot), "");
    const fs::path copy = snapshot.m_folder / fs::path(storePath).filename();
    // Notes may be writing right now: the copy must be a state the store was really in.
    if (auto copied = copyDatabaseFiles(storePath, copy); !copied)
        throw copied.error();
    for (const char* suffix : {"", "-wal"}) {
        fs::path target = copy;
        target += suffix;
        // The copy must be writable for the fold whatever the original's mode.
        fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
    }
    snapshot.m_path = copy.string();
    foldWriteAheadLog(snapshot.m_path);
    return snapshot;
}

DatabaseSnapshot::~DatabaseSnapshot()
{
    remove();
}

DatabaseSnapshot::DatabaseSnapshot(DatabaseSnapshot&& other) noexcept
    : m_folder(std::move(other.m_folder)), m_path(std::move(other.m_path))
{
    other.m_folder.clear();
    other.m_path.clear();
}

DatabaseSnapshot& DatabaseSnapshot::operator=(DatabaseSnapshot&& other) noexcept
{
    if (this != &other) {
        remove();
        m_folder = std::move(other.m_folder);
        m_path = std::move(other.m_path);
        other.m_folder.clear();
        other.m_path.clear();
    }
    return *this;
}

void DatabaseSnapshot::remove()
{
    if (m_folder.empty())
        return;
    std::error_code ec;
    fs::remove_all(m_folder, ec);
    m_folder.clear();
    m_path.clear();
}

} // namespace varnholt::notesdb
