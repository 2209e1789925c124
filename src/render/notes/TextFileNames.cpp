#include "render/notes/TextFileNames.h"

#include "platform/FileNameRule.h"

namespace varnholt::notesdb {

std::string TextFileNames::baseName(const Note& note)
{
    const std::string untitled = "Untitled_" + std::to_string(note.id);
    const FileNameRule rule = FileNameRule(untitled, kMaxBaseBytes).keepingAtMost(kMaxCharacters);
    return rule.apply(note.title && !note.title->empty() ? *note.title : untitled);
}

std::string TextFileNames::claim(const Note& note)
{
    return m_taken.claimWithIdentifier(baseName(note), ".txt", std::to_string(note.id));
}

std::vector<std::string> TextFileNames::reserve(const std::vector<Note>& notes)
{
    std::vector<std::string> names;
    names.reserve(notes.size());
    TextFileNames taken;
    for (const Note& note : notes)
        names.push_back(taken.claim(note));
    return names;
}

} // namespace varnholt::notesdb
