#include "sources/DatabaseSnapshot.h"

#include "platform/ByteCount.h"
#include "platform/DatabaseFileCopy.h"
#include "platform/DiskSpace.h"
#include "platform/FileDescriptor.h"
#include "platform/FileSystemError.h"
#include "platform/Statement.h"
#include "platform/Trace.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <utility>
#include <vector>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
// A log no longer than its header holds no change: the main file alone is the database.
constexpr std::uintmax_t kLogHeaderSize = 32;
// Room for the -shm SQLite builds beside a copy, and for what the file system rounds up.
constexpr std::uint64_t kCopySlack = std::uint64_t{1} << 20;

fs::path withSuffix(const fs::path& path, const char* suffix)
{
    fs::path result = path;
    result += suffix;
    return result;
}

std::string quoted(const fs::path& path)
{
    return "\u201c" + path.string() + "\u201d";
}

std::error_code openForReading(const fs::path& path)
{
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return file ? std::error_code() : std::error_code(errno, std::generic_category());
}

// Why `path` cannot be read at all, if it cannot; copying would not help then.
std::optional<SnapshotError> unreadable(const fs::path& path)
{
    struct stat status {};
    std::error_code error;
    if (::stat(path.c_str(), &status) != 0)
        error = std::error_code(errno, std::generic_category());
    else if (!S_ISREG(status.st_mode))
        return SnapshotError(ErrorKind::damaged, quoted(path) + " is not a database file but a folder or device.",
                             "not a regular file");
    else
        error = openForReading(path);
    if (!error)
        return std::nullopt;
    const ErrorKind kind = errorKindOf(error);
    std::string text = "Cannot read " + quoted(path) + ": " + error.message() + ".";
    if (kind == ErrorKind::notFound)
        text = "There is no database at " + quoted(path) + ". Choose a source folder that has it.";
    else if (kind == ErrorKind::permission)
        text += " Give this user read access to it, or export from a copy this user can read.";
    return SnapshotError(kind, text, text);
}

std::uint64_t sizeOf(const fs::path& path)
{
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    return ec ? 0 : size;
}

// Statement-level settings of every snapshot connection: it never writes; what SQLite sorts
// stays in memory rather than in the system's temporary folder, which may be too small for it; and
// while the app is in the middle of a commit or a checkpoint, SQLite waits a moment and tries again
// instead of failing the export.
tl::expected<void, std::string> prepareConnection(const Database& db)
{
    if (auto set = db.exec("PRAGMA query_only=ON; PRAGMA temp_store=MEMORY; PRAGMA busy_timeout=5000;"); !set)
        return set;
    // Reading the schema reads the log too: a file SQLite cannot read in this way fails here.
    auto probe = db.prepare("SELECT COUNT(*) FROM sqlite_master");
    if (!probe)
        return tl::unexpected(probe.error());
    if (probe->step() != Statement::Step::Row)
        return tl::unexpected(db.errorMessage());
    return {};
}

tl::expected<Database, SnapshotError> openInPlace(const fs::path& database, DatabaseSnapshot::Access access)
{
    // readonly_shm: SQLite maps the app's -shm read-only and takes only read locks in it; when no app
    // has the database open, it builds the index of the log in its own memory instead. Without the
    // parameter it would rewrite the -shm, and create one beside a log that has none.
    const char* query = access == DatabaseSnapshot::Access::immutable ? "immutable=1" : "mode=ro&readonly_shm=1";
    auto db = Database::open(sqliteFileUri(database.string(), query), Database::Mode::ReadOnlyInPlace);
    if (!db)
        return tl::unexpected(
            SnapshotError(ErrorKind::inputOutput, "Cannot open " + quoted(database) + ": " + db.error(), db.error()));
    // Without a -shm, only a connection in exclusive locking mode reads a log: it keeps the index in
    // memory. The read-only VFS grants the exclusive lock without taking it; the shared lock is real.
    tl::expected<void, std::string> ready = {};
    if (access == DatabaseSnapshot::Access::privateIndex)
        ready = db->exec("PRAGMA locking_mode=EXCLUSIVE;");
    if (ready)
        ready = prepareConnection(*db);
    if (!ready)
        return tl::unexpected(
            SnapshotError(db->errorKind(), "Cannot read " + quoted(database) + ": " + ready.error(), ready.error()));
    return std::move(*db);
}
} // namespace

tl::expected<DatabaseSnapshot, SnapshotError> DatabaseSnapshot::open(const fs::path& database,
                                                                     const fs::path& scratchFolder)
{
    return open(database, scratchFolder, Options());
}

tl::expected<DatabaseSnapshot, SnapshotError>
DatabaseSnapshot::open(const fs::path& database, const fs::path& scratchFolder, const Options& options)
{
    if (auto error = unreadable(database))
        return tl::unexpected(*error);
    const fs::path log = withSuffix(database, "-wal");
    Access access = Access::immutable;
    if (sizeOf(log) > kLogHeaderSize) {
        if (auto error = unreadable(log))
            return tl::unexpected(*error);
        access = openForReading(withSuffix(database, "-shm")) ? Access::privateIndex : Access::sharedIndex;
    }

    std::string whyNotInPlace = "reading in place is turned off";
    if (options.attempt == Attempt::inPlaceThenCopy) {
        auto db = openInPlace(database, access);
        if (db) {
            DatabaseSnapshot snapshot;
            snapshot.m_database = std::move(*db);
            snapshot.m_access = access;
            return snapshot;
        }
        // A damaged file stays damaged in a copy.
        if (db.error().kind() == ErrorKind::damaged)
            return tl::unexpected(db.error());
        whyNotInPlace = db.error().reason();
    }
    return openCopy(database, scratchFolder, whyNotInPlace, options);
}

// Only here, where SQLite could not read the files in place (a file system without the locks or
// the shared memory it needs, a -shm it cannot use), is anything written: below the output folder.
tl::expected<DatabaseSnapshot, SnapshotError> DatabaseSnapshot::openCopy(const fs::path& database,
                                                                         const fs::path& scratchFolder,
                                                                         const std::string& whyNotInPlace,
                                                                         const Options& options)
{
    const std::string cannot = "Cannot read " + quoted(database) + " in place (" + whyNotInPlace + ")";
    if (scratchFolder.empty()) {
        const std::string text = cannot + ", and a dry run writes nothing, so no private copy of it was made. Run "
                                          "the export itself: it reads a copy made below the output folder.";
        return tl::unexpected(SnapshotError(ErrorKind::inputOutput, text, text));
    }

    const std::uint64_t needed = sizeOf(database) + sizeOf(withSuffix(database, "-wal")) + kCopySlack;
    const std::optional<std::uint64_t> available =
        options.freeSpace ? options.freeSpace(scratchFolder) : diskSpaceAt(scratchFolder).available;
    if (available && *available < needed) {
        const std::string text = cannot + ", and a private copy of it needs " + formatByteCount(needed) + " free on " +
                                 quoted(scratchFolder) + ", " + formatByteCount(*available) +
                                 " are free. Free some space there, or choose an output folder on a disk with "
                                 "more room.";
        return tl::unexpected(SnapshotError(ErrorKind::diskFull, text, text));
    }

    std::error_code ec;
    fs::create_directories(scratchFolder, ec);
    std::string pattern = (scratchFolder / ".varnholt-snapshot-XXXXXX").string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (ec || ::mkdtemp(name.data()) == nullptr) { // 0700: the copy is nobody else's to read
        const FileSystemError error("create a private folder in", scratchFolder,
                                    ec ? ec : std::error_code(errno, std::generic_category()));
        return tl::unexpected(SnapshotError(error.kind(), error.description(), error.description()));
    }
    DatabaseSnapshot snapshot; // from here on, every way out removes the folder
    snapshot.m_privateFolder = name.data();
    snapshot.m_access = Access::privateCopy;
    Trace::line("[Snapshot] \u26A0\uFE0F " + cannot + "; reading a private copy in " +
                snapshot.m_privateFolder.string() + " instead");

    const fs::path copy = snapshot.m_privateFolder / database.filename();
    if (auto copied = copyDatabaseFiles(database, copy); !copied) {
        const std::string text = copied.error().description();
        return tl::unexpected(SnapshotError(copied.error().kind(), text, text));
    }
    auto db = Database::open(sqliteFileUri(copy.string(), "mode=ro"), Database::Mode::ReadOnlyUri);
    if (!db)
        return tl::unexpected(SnapshotError(ErrorKind::inputOutput,
                                            "Cannot open the private copy of " + quoted(database) + ": " + db.error(),
                                            db.error()));
    if (auto ready = prepareConnection(*db); !ready)
        return tl::unexpected(
            SnapshotError(db->errorKind(), "Cannot read " + quoted(database) + ": " + ready.error(), ready.error()));
    snapshot.m_database = std::move(*db);
    return snapshot;
}

DatabaseSnapshot::~DatabaseSnapshot()
{
    release();
}

DatabaseSnapshot::DatabaseSnapshot(DatabaseSnapshot&& other) noexcept
    : m_privateFolder(std::exchange(other.m_privateFolder, {})), m_database(std::move(other.m_database)),
      m_access(other.m_access)
{
}

DatabaseSnapshot& DatabaseSnapshot::operator=(DatabaseSnapshot&& other) noexcept
{
    if (this != &other) {
        release();
        m_privateFolder = std::exchange(other.m_privateFolder, {});
        m_database = std::move(other.m_database);
        m_access = other.m_access;
    }
    return *this;
}

void DatabaseSnapshot::release()
{
    m_database.close(); // before its files go
    if (m_privateFolder.empty())
        return;
    std::error_code ec;
    fs::remove_all(m_privateFolder, ec);
    m_privateFolder.clear();
}

} // namespace varnholt
