#include "platform/Database.h"

#include "platform/ReadOnlyVfs.h"
#include "platform/Statement.h"

#include <sqlite3.h>

namespace varnholt {

tl::expected<Database, std::string> Database::open(const std::string& path, Mode mode)
{
    int flags = SQLITE_OPEN_READONLY;
    const char* vfs = nullptr;
    if (mode == Mode::ReadOnlyUri || mode == Mode::ReadOnlyInPlace)
        flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_FULLMUTEX;
    else if (mode == Mode::ReadWriteCreate)
        flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (mode == Mode::ReadOnlyInPlace) {
        vfs = readOnlyVfsName();
        if (!vfs) // the default VFS would not be read-only: better no connection at all
            return tl::unexpected(std::string("the read-only SQLite VFS could not be registered"));
    }

    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(path.c_str(), &raw, flags, vfs);
    Database db(raw); // owns the handle even when opening failed, as SQLite requires a close then
    if (rc != SQLITE_OK) {
        std::string message = raw ? sqlite3_errmsg(raw) : sqlite3_errstr(rc);
        return tl::unexpected(message);
    }
    if (mode == Mode::ReadOnlyInPlace)
        sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    return db;
}

Database::~Database()
{
    close();
}

Database::Database(Database&& other) noexcept : m_handle(other.m_handle)
{
    other.m_handle = nullptr;
}

Database& Database::operator=(Database&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = other.m_handle;
        other.m_handle = nullptr;
    }
    return *this;
}

void Database::close()
{
    if (m_handle) {
        sqlite3_close_v2(m_handle);
        m_handle = nullptr;
    }
}

std::string Database::errorMessage() const
{
    if (!m_handle)
        return "database is not open";
    switch (sqlite3_extended_errcode(m_handle)) {
    case SQLITE_READONLY_RECOVERY:
    case SQLITE_READONLY_CANTINIT:
    case SQLITE_READONLY_CANTLOCK:
        // SQLite says "attempt to write a readonly database" here, though nothing tried to write.
        return "the index of its write-ahead log (-shm) needs a repair that only the app writing it may make";
    default:
        return sqlite3_errmsg(m_handle);
    }
}

ErrorKind Database::errorKind() const
{
    if (!m_handle)
        return ErrorKind::inputOutput;
    switch (sqlite3_errcode(m_handle)) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
        return ErrorKind::damaged;
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return ErrorKind::permission;
    case SQLITE_FULL:
        return ErrorKind::diskFull;
    case SQLITE_INTERRUPT:
        return ErrorKind::cancelled;
    default:
        return ErrorKind::inputOutput;
    }
}

tl::expected<Statement, std::string> Database::prepare(const std::string& sql) const
{
    if (!m_handle)
        return tl::unexpected(std::string("database is not open"));
    sqlite3_stmt* raw = nullptr;
    const int rc = sqlite3_prepare_v2(m_handle, sql.c_str(), -1, &raw, nullptr);
    Statement statement(raw);
    if (rc != SQLITE_OK || !raw)
        return tl::unexpected(errorMessage());
    return statement;
}

tl::expected<std::set<std::string>, std::string> Database::columnsOf(const std::string& table) const
{
    auto info = prepare("PRAGMA table_info(\"" + table + "\")");
    if (!info)
        return tl::unexpected(info.error());
    std::set<std::string> columns;
    Statement::Step step;
    while ((step = info->step()) == Statement::Step::Row)
        columns.insert(info->columnText(1));
    if (step == Statement::Step::Error)
        return tl::unexpected(errorMessage());
    return columns;
}

tl::expected<void, std::string> Database::exec(const std::string& sql) const
{
    if (!m_handle)
        return tl::unexpected(std::string("database is not open"));
    char* error = nullptr;
    const int rc = sqlite3_exec(m_handle, sql.c_str(), nullptr, nullptr, &error);
    if (rc != SQLITE_OK) {
        std::string message = error ? error : errorMessage();
        sqlite3_free(error);
        return tl::unexpected(message);
    }
    return {};
}

std::string sqliteFileUri(const std::string& path, const std::string& query)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string uri = "file:";
    for (unsigned char c : path) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '/' ||
                           c == '-' || c == '_' || c == '.' || c == '~';
        if (plain) {
            uri += static_cast<char>(c);
        } else {
            uri += '%';
            uri += kHex[c >> 4];
            uri += kHex[c & 0xF];
        }
    }
    if (!query.empty())
        uri += "?" + query;
    return uri;
}

} // namespace varnholt
