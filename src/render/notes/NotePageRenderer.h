#pragma once

#include "model/notes/Note.h"

#include <set>
#include <string>
#include <vector>

namespace varnholt::notesapp {

// One note's page as the standard method writes it, and the files it shows.
struct NotePage {
    struct File {
        std::string source; // the file in the store's container
        std::string name;   // its name in the note's attachment folder
    };

    std::string html;
    // What the page links into its attachment folder, in page order; the caller copies them.
    std::vector<File> files;
    // What the page shows as a placeholder because the store keeps no file for it ("drawing",
    // "scanned document"), in page order.
    std::vector<std::string> placeholders;
};

// Turns a note into its formatted HTML page: headings, lists, checklists, styles, tables, and
// attachments linked into "<title>_files" beside the page. It only makes bytes; the exporter places
// the page and copies the files.
class NotePageRenderer {
public:
    // `filesFolderName` is the attachment folder's name (relative links point into it). A source in
    // `unavailable` could not be read: its attachment keeps its name but shows without a link.
    static NotePage render(const notesdb::Note& note, const std::string& filesFolderName,
                           const std::set<std::string>& unavailable = {});

    static constexpr const char* kLockedPlaceholder = "This note is locked.";
    // What a locked note's page says: which lock it has, where that is known.
    static std::string lockedPlaceholder(const notesdb::Note& note);
};

} // namespace varnholt::notesapp
