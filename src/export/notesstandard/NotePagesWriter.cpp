#include "export/notesstandard/NotePagesWriter.h"

#include "platform/FileCopy.h"
#include "platform/Files.h"
#include "platform/Trace.h"
#include "render/notes/NotePageRenderer.h"

namespace varnholt::notesapp {

namespace fs = std::filesystem;

NotePagesWriter::NotePagesWriter(fs::path root)
    : m_root(std::move(root)), m_names([](const fs::path& page) {
          std::error_code ec;
          return fs::exists(page, ec);
      })
{
}

void NotePagesWriter::write(const NotesLibrary& library, const notesdb::Note& note)
{
    fs::path folder = m_root;
    for (const std::string& part : library.location(note))
        folder /= NotePageNames::folder(part);
    if (!m_madeFolders.count(folder.string())) {
        if (auto made = createDirectories(folder); !made)
            throw made.error();
        m_madeFolders.insert(folder.string());
    }
    const std::string title = note.title && !note.title->empty() ? *note.title : "Untitled";
    const std::string base = m_names.claimPage(folder, title);
    const std::string filesName = base + "_files";
    const fs::path filesFolder = folder / filesName;

    NotePage page = NotePageRenderer::render(note, filesName);
    std::set<std::string> unreadable;
    for (const NotePage::File& file : page.files) {
        // The attachment folder is made only when something goes in it.
        if (auto made = createDirectories(filesFolder); !made)
            throw made.error();
        auto copied = copyFileAtomically(file.source, filesFolder / file.name);
        if (copied)
            continue;
        if (copied.error().side == CopySide::output)
            throw copied.error().error;
        Trace::line("[NotesLibrary] Could not copy attachment " + file.source + ": " +
                    copied.error().error.description());
        unreadable.insert(file.source);
    }
    // A file the store could not give shows as its name; the others keep the names they were copied under.
    if (!unreadable.empty())
        page = NotePageRenderer::render(note, filesName, unreadable);
    for (const std::string& what : page.placeholders)
        Trace::line("[NotesLibrary] \u26A0\uFE0F The " + what + " in \u201c" + title +
                    "\u201d is shown as a placeholder: the store keeps no file for it");
    if (auto written = writeFileAtomically(folder / (base + ".html"), page.html); !written)
        throw written.error();
    ++m_written;
    if (note.bodyUnreadable) {
        Trace::line("[NotesLibrary] The text of \u201c" + title +
                    "\u201d could not be read: its stored body is damaged");
        ++m_unreadable;
    }
}

} // namespace varnholt::notesapp
