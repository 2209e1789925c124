#pragma once

#include "platform/FileSystemError.h"

#include <filesystem>
#include <string>

#include <tl/expected.hpp>

namespace varnholt {

// A private snapshot of a SQLite database and its write-ahead log, taken so that
// reading never depends on writing near the source: SQLite creates and updates
// -shm (and sometimes -wal) files beside any WAL database it opens, even read-only,
// and cannot open one at all on a read-only file system. The copy lives in a fresh
// folder only this process can enter and is removed with the object. Move-only.
class PrivateDatabaseCopy {
public:
    // Copies `database` and, when present, `database`-wal. The source is only read.
    [[nodiscard]] static tl::expected<PrivateDatabaseCopy, FileSystemError> make(const std::string& database);

    PrivateDatabaseCopy() = default;
    ~PrivateDatabaseCopy();
    PrivateDatabaseCopy(PrivateDatabaseCopy&& other) noexcept;
    PrivateDatabaseCopy& operator=(PrivateDatabaseCopy&& other) noexcept;
    PrivateDatabaseCopy(const PrivateDatabaseCopy&) = delete;
    PrivateDatabaseCopy& operator=(const PrivateDatabaseCopy&) = delete;

    // The copy's path, to open read-only; empty for a moved-from object.
    const std::string& path() const { return m_path; }
    const std::filesystem::path& folder() const { return m_folder; }

private:
    void remove();

    std::filesystem::path m_folder;
    std::string m_path;
};

} // namespace varnholt
