#pragma once

#include "sources/notesapp/NotesLibrary.h"

#include <atomic>
#include <filesystem>
#include <optional>

namespace varnholt::notesapp {

// Writes one formatted HTML file per note of a library, as the Notes export
// script does: <root>/<account>/<folder path>/<title>.html, with the note's
// attachments in <title>_files/ beside it. Each file appears complete (written
// under a temporary name, then renamed) as soon as its note is done.
class NotesHtmlWriter {
public:
    struct Result {
        long long written = 0;
        long long failed = 0;
        // Pages written with the title alone because the stored body is damaged beyond reading.
        long long unreadable = 0;
    };

    NotesHtmlWriter(const NotesLibrary& library, std::filesystem::path root)
        : m_library(library), m_root(std::move(root))
    {
    }

    // Stops before the next note when `stop` becomes true, and after `limit` notes.
    Result writeAll(std::optional<long long> limit, const std::atomic<bool>& stop);

    // The page of one note, given the name of its attachment folder (relative links point into it).
    std::string renderPage(const notesdb::Note& note, const std::string& filesFolderName,
                           const std::filesystem::path& filesFolder) const;

    static constexpr const char* kLockedPlaceholder = "This note is locked.";
    // What a locked note's page says: which lock it has, where that is known.
    static std::string lockedPlaceholder(const notesdb::Note& note);

private:
    const NotesLibrary& m_library;
    std::filesystem::path m_root;
};

} // namespace varnholt::notesapp
