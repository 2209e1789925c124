#pragma once

#include "model/notes/Note.h"
#include "platform/Files.h"
#include "sources/Source.h"

#include <cstdint>
#include <filesystem>
#include <map>
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

// The Notes library as the Notes app shows it, read from NoteStore.sqlite under
// the source home (through a DatabaseSnapshot): accounts, folders, and the notes
// that are not pending deletion, each with its structured body.
class NotesLibrary {
public:
    static constexpr const char* kDefaultAccountName = "On My Mac";
    static constexpr const char* kTrashFolderName = "Recently Deleted";

    // Throws DomainError("NotesLibrary", ...) when the store is missing or unreadable. `scratchFolder`
    // is where a copy of the store may go if it cannot be read in place (below the output folder);
    // empty where nothing may be written.
    enum class Content { everything, countsOnly };
    static NotesLibrary open(const Source& source, const ReadabilityProbe& canRead = defaultReadabilityProbe(),
                             std::stop_token stop = {}, Content content = Content::everything,
                             const std::filesystem::path& scratchFolder = {}, std::vector<std::string> passwords = {});

    const std::vector<Account>& accounts() const { return m_accounts; }
    const std::vector<Folder>& folders() const { return m_folders; }
    const std::vector<notesdb::Note>& notes() const { return m_notes; }

    // The account name and the folder names from the top folder down; a loop in the
    // parent links ends the walk where it would repeat.
    std::vector<std::string> location(const notesdb::Note& note) const;
    std::optional<std::int64_t> accountOf(const notesdb::Note& note) const;
    bool isInTrash(const notesdb::Note& note) const;

    // Notes per account id (notes without a known account under 0).
    std::map<std::int64_t, long long> notesPerAccount() const;

private:
    std::vector<Account> m_accounts;
    std::vector<Folder> m_folders;
    std::vector<notesdb::Note> m_notes;
    std::map<std::int64_t, size_t> m_folderIndex;
};

} // namespace varnholt::notesapp
