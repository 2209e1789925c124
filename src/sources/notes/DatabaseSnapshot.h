#pragma once

#include <filesystem>
#include <string>

namespace varnholt::notesdb {

// A private copy of a live SQLite store, taken so that the export reads what
// the app last wrote (the -wal folded in) without ever opening the original.
// The copy lives in a temporary folder of its own, removed with everything in
// it when the object goes away. Move-only.
class DatabaseSnapshot {
public:
    // Copies `storePath` with its -wal and -shm (when present) into a new folder under
    // `temporaryRoot` (the system's temporary folder when empty) and folds the WAL into
    // the copy. Throws DomainError "NotesExporter" 2 when the store does not exist,
    // FileSystemError when copying fails, DomainError 7 when the copy is no database.
    static DatabaseSnapshot create(const std::string& storePath, const std::filesystem::path& temporaryRoot = {});

    DatabaseSnapshot() = default;
    ~DatabaseSnapshot();
    DatabaseSnapshot(DatabaseSnapshot&& other) noexcept;
    DatabaseSnapshot& operator=(DatabaseSnapshot&& other) noexcept;
    DatabaseSnapshot(const DatabaseSnapshot&) = delete;
    DatabaseSnapshot& operator=(const DatabaseSnapshot&) = delete;

    // The copy to open; empty for an empty object.
    const std::string& path() const { return m_path; }
    const std::filesystem::path& folder() const { return m_folder; }

    void remove();

private:
    DatabaseSnapshot(std::filesystem::path folder, std::string path)
        : m_folder(std::move(folder)), m_path(std::move(path))
    {
    }

    std::filesystem::path m_folder;
    std::string m_path;
};

} // namespace varnholt::notesdb
