#pragma once

#include "render/notes/NotePageNames.h"
#include "sources/notesapp/NotesLibrary.h"

#include <filesystem>
#include <set>
#include <string>

namespace varnholt::notesapp {

// Writes the standard method's pages below the HTML folder:
// <root>/<account>/<folder path>/<title>.html, with the files a page shows in <title>_files/ beside
// it. Each page and file appears whole (written under a temporary name, then renamed). A file the
// store cannot give is traced and the page shows its name; a page or file that cannot be written
// to the output throws, since the export would otherwise miss it.
class NotePagesWriter {
public:
    explicit NotePagesWriter(std::filesystem::path root);

    // Throws Error when the page or one of its files cannot be written.
    void write(const NotesLibrary& library, const notesdb::Note& note);

    long long written() const { return m_written; }
    // Pages written with the title alone because the stored body is damaged beyond reading.
    long long unreadable() const { return m_unreadable; }

private:
    std::filesystem::path m_root;
    NotePageNames m_names;
    std::set<std::string> m_madeFolders;
    long long m_written = 0;
    long long m_unreadable = 0;
};

} // namespace varnholt::notesapp
