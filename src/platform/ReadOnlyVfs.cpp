#include "platform/ReadOnlyVfs.h"

#include <climits>
#include <cstring>
#include <fcntl.h>
#include <sqlite3.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace varnholt {

namespace {
constexpr const char* kName = "varnholt-readonly";

// The files that belong to the database being read. Temporary files are the connection's own.
constexpr int kSourceFileTypes =
    SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_MAIN_JOURNAL | SQLITE_OPEN_SUPER_JOURNAL | SQLITE_OPEN_WAL;
constexpr int kWriteFlags =
    SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE | SQLITE_OPEN_DELETEONCLOSE;

struct WrappedFile {
    sqlite3_file base;  // first, as SQLite requires
    sqlite3_file* real; // the default VFS's file, in the same allocation right after this one
    bool isSource;
    // For a file opened through a link: the name the default VFS was given (made here, freed on
    // close), and the descriptor of the folder the target lies in.
    sqlite3_filename ownName;
    int folder;
};

sqlite3_vfs* g_default = nullptr;

WrappedFile* wrapped(sqlite3_file* file)
{
    return reinterpret_cast<WrappedFile*>(file);
}

sqlite3_file* realFile(sqlite3_file* file)
{
    return wrapped(file)->real;
}

const sqlite3_io_methods& realMethods(sqlite3_file* file)
{
    return *realFile(file)->pMethods;
}

// What a file opened through a link holds beyond the default VFS's file.
void releaseLinkName(WrappedFile* self)
{
    if (self->ownName)
        sqlite3_free_filename(self->ownName);
    self->ownName = nullptr;
    if (self->folder >= 0)
        ::close(self->folder);
    self->folder = -1;
}

int fileClose(sqlite3_file* file)
{
    sqlite3_file* real = realFile(file);
    const int rc = real->pMethods ? real->pMethods->xClose(real) : SQLITE_OK;
    releaseLinkName(wrapped(file));
    return rc;
}

int fileRead(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset)
{
    return realMethods(file).xRead(realFile(file), buffer, amount, offset);
}

// The descriptors of source files are read-only anyway; refusing here says so before the system does.
int fileWrite(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset)
{
    if (wrapped(file)->isSource)
        return SQLITE_READONLY;
    return realMethods(file).xWrite(realFile(file), buffer, amount, offset);
}

int fileTruncate(sqlite3_file* file, sqlite3_int64 size)
{
    if (wrapped(file)->isSource)
        return SQLITE_READONLY;
    return realMethods(file).xTruncate(realFile(file), size);
}

int fileSync(sqlite3_file* file, int flags)
{
    if (wrapped(file)->isSource)
        return SQLITE_OK;
    return realMethods(file).xSync(realFile(file), flags);
}

int fileSize(sqlite3_file* file, sqlite3_int64* size)
{
    return realMethods(file).xFileSize(realFile(file), size);
}

// A read-only descriptor cannot hold a write lock, and exclusive locking mode asks for one before
// it keeps the WAL index in memory. A reader that never writes can be granted it: the SHARED lock
// underneath is real, so the app cannot roll back or rewrite the file while we read.
int fileLock(sqlite3_file* file, int level)
{
    if (wrapped(file)->isSource && level > SQLITE_LOCK_SHARED)
        return SQLITE_OK;
    return realMethods(file).xLock(realFile(file), level);
}

int fileUnlock(sqlite3_file* file, int level)
{
    return realMethods(file).xUnlock(realFile(file), level);
}

int fileCheckReservedLock(sqlite3_file* file, int* result)
{
    return realMethods(file).xCheckReservedLock(realFile(file), result);
}

int fileControl(sqlite3_file* file, int op, void* argument)
{
    // A size hint grows the file; a reader has no business doing so.
    if (wrapped(file)->isSource && op == SQLITE_FCNTL_SIZE_HINT)
        return SQLITE_OK;
    return realMethods(file).xFileControl(realFile(file), op, argument);
}

int fileSectorSize(sqlite3_file* file)
{
    return realMethods(file).xSectorSize(realFile(file));
}

int fileDeviceCharacteristics(sqlite3_file* file)
{
    return realMethods(file).xDeviceCharacteristics(realFile(file));
}

int fileShmMap(sqlite3_file* file, int page, int pageSize, int extend, void volatile** mapped)
{
    if (realMethods(file).iVersion < 2 || !realMethods(file).xShmMap)
        return SQLITE_IOERR_SHMMAP;
    return realMethods(file).xShmMap(realFile(file), page, pageSize, extend, mapped);
}

int fileShmLock(sqlite3_file* file, int offset, int count, int flags)
{
    return realMethods(file).xShmLock(realFile(file), offset, count, flags);
}

void fileShmBarrier(sqlite3_file* file)
{
    realMethods(file).xShmBarrier(realFile(file));
}

// The -shm beside a source is the app's: it is never deleted, whatever the connection thinks.
int fileShmUnmap(sqlite3_file* file, int deleteFlag)
{
    if (realMethods(file).iVersion < 2 || !realMethods(file).xShmUnmap)
        return SQLITE_OK;
    return realMethods(file).xShmUnmap(realFile(file), wrapped(file)->isSource ? 0 : deleteFlag);
}

int fileFetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** pointer)
{
    if (realMethods(file).iVersion < 3) {
        *pointer = nullptr;
        return SQLITE_OK;
    }
    return realMethods(file).xFetch(realFile(file), offset, amount, pointer);
}

int fileUnfetch(sqlite3_file* file, sqlite3_int64 offset, void* pointer)
{
    if (realMethods(file).iVersion < 3)
        return SQLITE_OK;
    return realMethods(file).xUnfetch(realFile(file), offset, pointer);
}

const sqlite3_io_methods kMethods = {
    3,
    fileClose,
    fileRead,
    fileWrite,
    fileTruncate,
    fileSync,
    fileSize,
    fileLock,
    fileUnlock,
    fileCheckReservedLock,
    fileControl,
    fileSectorSize,
    fileDeviceCharacteristics,
    fileShmMap,
    fileShmLock,
    fileShmBarrier,
    fileShmUnmap,
    fileFetch,
    fileUnfetch,
};

bool isLink(const std::string& path)
{
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISLNK(status.st_mode);
}

// The default VFS opens every file with O_NOFOLLOW, so a database and its log laid out as links
// (a phone backup's files, kept under their real names) are handed to it as the files they point
// to, while SQLite keeps the link names from which it finds the log. The database keeps its URI
// parameters; the log is named through its folder's descriptor, a name the default VFS takes
// apart for nothing (it looks for a '-' to find the database only when it would create a file).
int openThroughLink(WrappedFile* self, sqlite3_filename name, int flags, int* outFlags)
{
    char target[PATH_MAX];
    if (!::realpath(name, target))
        return SQLITE_CANTOPEN;
    if (flags & SQLITE_OPEN_MAIN_DB) {
        std::vector<const char*> parameters;
        for (int i = 0; const char* key = sqlite3_uri_key(name, i); ++i) {
            parameters.push_back(key);
            parameters.push_back(sqlite3_uri_parameter(name, key));
        }
        self->ownName = sqlite3_create_filename(target, sqlite3_filename_journal(name), sqlite3_filename_wal(name),
                                                static_cast<int>(parameters.size() / 2), parameters.data());
        if (!self->ownName)
            return SQLITE_NOMEM;
        return g_default->xOpen(g_default, self->ownName, self->real, flags, outFlags);
    }
    const std::string path(target);
    const auto slash = path.rfind('/');
    self->folder = ::open(path.substr(0, slash + 1).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (self->folder < 0)
        return SQLITE_CANTOPEN;
    self->ownName = sqlite3_create_filename(
        ("/proc/self/fd/" + std::to_string(self->folder) + "/" + path.substr(slash + 1)).c_str(), "", "", 0, nullptr);
    if (!self->ownName)
        return SQLITE_NOMEM;
    return g_default->xOpen(g_default, self->ownName, self->real, flags, outFlags);
}

int vfsOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags)
{
    WrappedFile* self = wrapped(file);
    self->base.pMethods = nullptr;
    self->real = reinterpret_cast<sqlite3_file*>(self + 1);
    self->ownName = nullptr;
    self->folder = -1;
    std::memset(static_cast<void*>(self->real), 0, static_cast<size_t>(g_default->szOsFile));
    self->isSource = (flags & kSourceFileTypes) != 0;
    if (self->isSource)
        flags = (flags & ~kWriteFlags) | SQLITE_OPEN_READONLY;
    const bool throughLink =
        self->isSource && (flags & (SQLITE_OPEN_MAIN_DB | SQLITE_OPEN_WAL)) && name && isLink(name);
    const int rc = throughLink ? openThroughLink(self, name, flags, outFlags)
                               : g_default->xOpen(g_default, name, self->real, flags, outFlags);
    if (rc == SQLITE_OK) {
        self->base.pMethods = &kMethods;
    } else {
        if (self->real->pMethods)
            self->real->pMethods->xClose(self->real);
        releaseLinkName(self);
    }
    return rc;
}

int vfsDelete(sqlite3_vfs*, const char*, int)
{
    return SQLITE_IOERR_DELETE;
}

int vfsAccess(sqlite3_vfs*, const char* name, int flags, int* result)
{
    return g_default->xAccess(g_default, name, flags, result);
}

int vfsFullPathname(sqlite3_vfs* vfs, const char* name, int size, char* out)
{
    // SQLite follows a link to the database and looks for the log beside the file it points to. A
    // database and its log that are both links (a phone backup's files, which lie under hashed names
    // and are laid out under their real ones) belong together under the link names instead.
    std::string absolute = name;
    if (absolute.empty() || absolute.front() != '/') {
        std::vector<char> cwd(4096);
        if (!::getcwd(cwd.data(), cwd.size()))
            return g_default->xFullPathname(g_default, name, size, out);
        absolute = std::string(cwd.data()) + "/" + absolute;
    }
    if (isLink(absolute) && isLink(absolute + "-wal")) {
        if (absolute.size() + 1 > static_cast<std::size_t>(size))
            return SQLITE_CANTOPEN;
        std::memcpy(out, absolute.c_str(), absolute.size() + 1);
        return SQLITE_OK;
    }
    (void)vfs;
    return g_default->xFullPathname(g_default, name, size, out);
}

void* vfsDlOpen(sqlite3_vfs*, const char* name)
{
    return g_default->xDlOpen(g_default, name);
}

void vfsDlError(sqlite3_vfs*, int size, char* message)
{
    g_default->xDlError(g_default, size, message);
}

void (*vfsDlSym(sqlite3_vfs*, void* handle, const char* symbol))(void)
{
    return g_default->xDlSym(g_default, handle, symbol);
}

void vfsDlClose(sqlite3_vfs*, void* handle)
{
    g_default->xDlClose(g_default, handle);
}

int vfsRandomness(sqlite3_vfs*, int size, char* out)
{
    return g_default->xRandomness(g_default, size, out);
}

int vfsSleep(sqlite3_vfs*, int microseconds)
{
    return g_default->xSleep(g_default, microseconds);
}

int vfsCurrentTime(sqlite3_vfs*, double* now)
{
    return g_default->xCurrentTime(g_default, now);
}

int vfsGetLastError(sqlite3_vfs*, int size, char* message)
{
    return g_default->xGetLastError ? g_default->xGetLastError(g_default, size, message) : 0;
}

int vfsCurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* now)
{
    return g_default->xCurrentTimeInt64(g_default, now);
}

const char* registerVfs()
{
    g_default = sqlite3_vfs_find(nullptr);
    if (!g_default)
        return nullptr;
    static sqlite3_vfs vfs{};
    vfs.iVersion = 2;
    vfs.szOsFile = static_cast<int>(sizeof(WrappedFile)) + g_default->szOsFile;
    vfs.mxPathname = g_default->mxPathname;
    vfs.zName = kName;
    vfs.xOpen = vfsOpen;
    vfs.xDelete = vfsDelete;
    vfs.xAccess = vfsAccess;
    vfs.xFullPathname = vfsFullPathname;
    vfs.xDlOpen = vfsDlOpen;
    vfs.xDlError = vfsDlError;
    vfs.xDlSym = vfsDlSym;
    vfs.xDlClose = vfsDlClose;
    vfs.xRandomness = vfsRandomness;
    vfs.xSleep = vfsSleep;
    vfs.xCurrentTime = vfsCurrentTime;
    vfs.xGetLastError = vfsGetLastError;
    vfs.xCurrentTimeInt64 = vfsCurrentTimeInt64;
    if (sqlite3_vfs_register(&vfs, 0) != SQLITE_OK)
        return nullptr;
    return kName;
}
} // namespace

const char* readOnlyVfsName()
{
    static const char* const name = registerVfs();
    return name;
}

} // namespace varnholt
