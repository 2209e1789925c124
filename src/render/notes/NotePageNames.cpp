#include "render/notes/NotePageNames.h"

#include "platform/FileNameRule.h"

namespace varnholt::notesapp {

namespace fs = std::filesystem;

namespace {
FileNameRule notesNameRule(std::string fallback)
{
    return FileNameRule(std::move(fallback), 180).droppingTrailingSpaces();
}
} // namespace

std::string NotePageNames::folder(const std::string& name)
{
    static const FileNameRule kFolderRule = notesNameRule("Notes");
    return kFolderRule.apply(name);
}

std::string NotePageNames::attachment(const std::string& name)
{
    static const FileNameRule kAttachmentRule = notesNameRule("attachment");
    return kAttachmentRule.apply(name);
}

std::string NotePageNames::claimPage(const fs::path& folder, const std::string& title)
{
    static const FileNameRule kPageRule = notesNameRule("Untitled");
    auto found = m_books.find(folder.string());
    if (found == m_books.end())
        found = m_books
                    .emplace(folder.string(), UniqueNames([this, folder](const std::string& name) {
                                 return m_exists && m_exists(folder / (name + ".html"));
                             }))
                    .first;
    return found->second.claim(kPageRule.apply(title));
}

} // namespace varnholt::notesapp
