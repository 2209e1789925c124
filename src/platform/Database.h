#pragma once

#include "platform/ErrorKind.h"

#include <set>
#include <string>

#include <tl/expected.hpp>

struct sqlite3;

namespace varnholt {

class Statement;

// An open SQLite connection; closed when the object goes away. Move-only.
class Database {
public:
    enum class Mode { ReadOnly, ReadOnlyUri, ReadOnlyInPlace, ReadWriteCreate };

    // Opens with sqlite3_open_v2. ReadOnly passes SQLITE_OPEN_READONLY alone;
    // ReadOnlyUri adds SQLITE_OPEN_URI and SQLITE_OPEN_FULLMUTEX (the path is then a "file:" URI);
    // ReadOnlyInPlace is ReadOnlyUri through the read-only VFS (platform/ReadOnlyVfs.h), without the
    // checkpoint SQLite tries when a connection closes: for a source database, read where it lies.
    // ReadWriteCreate is for fixture builders, never for sources.
    // On failure returns SQLite's message.
    [[nodiscard]] static tl::expected<Database, std::string> open(const std::string& path, Mode mode);

    Database() = default;
    ~Database();
    Database(Database&& other) noexcept;
    Database& operator=(Database&& other) noexcept;
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    bool isOpen() const { return m_handle != nullptr; }
    sqlite3* handle() const { return m_handle; }
    // SQLite's message for the last failure, in plainer words where SQLite's would mislead.
    std::string errorMessage() const;
    // What the last failure on this connection means to a user: damaged for a file that is no
    // database or a corrupt one, permission, disk full, and input/output for the rest.
    ErrorKind errorKind() const;

    // Prepares one statement (the text must be NUL-terminated; length -1 is passed).
    [[nodiscard]] tl::expected<Statement, std::string> prepare(const std::string& sql) const;
    // The column names of `table`, none when there is no such table; SQLite's message when the
    // schema cannot be read (a damaged or foreign file fails here first).
    [[nodiscard]] tl::expected<std::set<std::string>, std::string> columnsOf(const std::string& table) const;
    // Runs statements without results (sqlite3_exec).
    [[nodiscard]] tl::expected<void, std::string> exec(const std::string& sql) const;

    void close();

private:
    explicit Database(sqlite3* handle) : m_handle(handle) {}
    sqlite3* m_handle = nullptr;
};

// Builds a read-only "file:" URI for a path, escaping what a URI cannot hold raw.
std::string sqliteFileUri(const std::string& path, const std::string& query);

} // namespace varnholt
