#pragma once

#include "platform/Database.h"
#include "sources/SnapshotError.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>

#include <tl/expected.hpp>

namespace varnholt {

// A database of the source (chat.db, NoteStore.sqlite, an address book) opened for reading where it
// lies, without writing a byte beside it and without copying it: a heavy user's chat.db has
// gigabytes, more than a temporary folder in memory holds. Changes still in its write-ahead log are
// read too. Only where SQLite cannot read the files in place is the database copied, and then below
// the output folder, onto the file system that has to hold the export anyway. Move-only; the
// connection closes and the copy, if any, is removed when the snapshot goes.
class DatabaseSnapshot {
public:
    // How the database is read.
    enum class Access {
        immutable,    // no log with changes: the main file alone, without locks (immutable=1)
        sharedIndex,  // with its log, through the app's -shm mapped read-only (readonly_shm=1)
        privateIndex, // with its log, indexed in this process's memory: there is no -shm to use
        privateCopy,  // a copy in a private folder below the scratch folder
    };
    enum class Attempt { inPlaceThenCopy, copyOnly };

    // Seams for tests.
    struct Options {
        // Free bytes in a folder; statvfs when empty.
        std::function<std::optional<std::uint64_t>(const std::filesystem::path&)> freeSpace;
        // copyOnly stands for a file system on which SQLite cannot read in place.
        Attempt attempt = Attempt::inPlaceThenCopy;
    };

    // Opens `database` with its -wal and -shm, if any. `scratchFolder` is where a private copy may go
    // when reading in place is impossible: the output folder or one below it (created when missing).
    // Empty where nothing may be written (a dry run); such a database then fails to open.
    [[nodiscard]] static tl::expected<DatabaseSnapshot, SnapshotError> open(const std::filesystem::path& database,
                                                                            const std::filesystem::path& scratchFolder);
    [[nodiscard]] static tl::expected<DatabaseSnapshot, SnapshotError>
    open(const std::filesystem::path& database, const std::filesystem::path& scratchFolder, const Options& options);

    DatabaseSnapshot() = default;
    ~DatabaseSnapshot();
    DatabaseSnapshot(DatabaseSnapshot&& other) noexcept;
    DatabaseSnapshot& operator=(DatabaseSnapshot&& other) noexcept;
    DatabaseSnapshot(const DatabaseSnapshot&) = delete;
    DatabaseSnapshot& operator=(const DatabaseSnapshot&) = delete;

    const Database& database() const { return m_database; }
    // Hands the connection to a reader that keeps its own. The reader must close it before the
    // snapshot goes (declare the snapshot first), since a private copy goes with the snapshot.
    Database takeDatabase() { return std::move(m_database); }

    Access access() const { return m_access; }
    // The folder of the private copy; empty unless access() is privateCopy.
    const std::filesystem::path& privateFolder() const { return m_privateFolder; }

private:
    [[nodiscard]] static tl::expected<DatabaseSnapshot, SnapshotError>
    openCopy(const std::filesystem::path& database, const std::filesystem::path& scratchFolder,
             const std::string& whyNotInPlace, const Options& options);
    void release();

    std::filesystem::path m_privateFolder;
    Database m_database;
    Access m_access = Access::immutable;
};

} // namespace varnholt
