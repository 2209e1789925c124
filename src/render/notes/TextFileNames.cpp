#include "render/notes/TextFileNames.h"

#include "platform/FileNameRule.h"
#include "platform/UniqueNames.h"

namespace varnholt::notesdb {

std::string TextFileNames::baseName(const Note& note)
{
    const std::string untitled = "Untitled_" + std::to_string(note.id);
    const FileNameRule rule = FileNameRule(untitled, kMaxBaseBytes).keepingAtMost(kMaxCharacters);
    return rule.apply(note.title && !note.title->empty() ? *note.title : untitled);
}

std::vector<std::string> TextFileNames::reserve(const std::vector<Note>& notes)
{
    std::vector<std::string> names;
    names.reserve(notes.size());
    UniqueNames taken;
    for (const Note& note : notes)
        names.push_back(taken.claimWithIdentifier(baseName(note), ".txt", std::to_string(note.id)));
    return names;
}

} // namespace varnholt::notesdb
