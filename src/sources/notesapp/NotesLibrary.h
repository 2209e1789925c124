#pragma once

#include "model/notes/Note.h"
#include "platform/Files.h"
#include "sources/Source.h"

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace varnholt::notesapp {

struct Account {
    std::int64_t id = 0;
    std::string name;
    std::string identifier;
};

struct Folder {
    std::int64_t id = 0;
    std::string name;
    std::optional<std::int64_t> parentId;
    std::optional<std::int64_t> accountId;
    bool isTrash = false;
};

// The Notes library as the Notes app shows it, read from NoteStore.sqlite under the source
// (through a DatabaseSnapshot): accounts, folders, and the notes that are not pending deletion,
// each with its structured body. The list of notes is read at once; the bodies a batch at a time,
// in the order the app walks (account, folder, then the folder's notes newest first), so memory
// follows the batch, not the library. Move-only; the store stays open while the library lives.
class NotesLibrary {
public:
    static constexpr const char* kDefaultAccountName = "On My Mac";
    static constexpr const char* kTrashFolderName = "Recently Deleted";

    // Throws DomainError("NotesLibrary", ...) when the store is missing or unreadable. `scratchFolder`
    // is where a copy of the store may go if it cannot be read in place (below the output folder);
    // empty where nothing may be written. Counting reads no bodies.
    enum class Content { everything, countsOnly };
    static NotesLibrary open(const Source& source, const ReadabilityProbe& canRead = defaultReadabilityProbe(),
                             std::stop_token stop = {}, Content content = Content::everything,
                             const std::filesystem::path& scratchFolder = {}, std::vector<std::string> passwords = {});

    NotesLibrary(NotesLibrary&&) noexcept;
    NotesLibrary& operator=(NotesLibrary&&) noexcept;
    ~NotesLibrary();

    const std::vector<Account>& accounts() const { return m_accounts; }
    const std::vector<Folder>& folders() const { return m_folders; }

    // The notes the app shows.
    std::size_t noteCount() const;
    // The next notes in the app's order, at most `count`, bodies decoded; empty at the end.
    std::vector<notesdb::Note> next(std::size_t count);
    // Every note still to come, at once.
    std::vector<notesdb::Note> readAll();

    // The account name and the folder names from the top folder down; a loop in the
    // parent links ends the walk where it would repeat.
    std::vector<std::string> location(const notesdb::Note& note) const;
    std::optional<std::int64_t> accountOf(const notesdb::Note& note) const;
    bool isInTrash(const notesdb::Note& note) const;

private:
    struct Store;
    NotesLibrary();

    std::vector<Account> m_accounts;
    std::vector<Folder> m_folders;
    std::map<std::int64_t, size_t> m_folderIndex;
    std::unique_ptr<Store> m_store;
};

} // namespace varnholt::notesapp
