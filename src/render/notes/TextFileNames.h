#pragma once

#include "model/notes/Note.h"
#include "platform/UniqueNames.h"

#include <string>
#include <vector>

namespace varnholt::notesdb {

// Names of the per-note text files. The name comes from the title ("Untitled_" + id
// when there is none) through the file-name rule with "-" for what it replaces, the
// first 100 characters kept, short enough for any file system. A name already taken
// in this export (compared without case, for file systems that ignore it) gets
// " (" + id + ")" before ".txt", so no note replaces another.
class TextFileNames {
public:
    static constexpr std::size_t kMaxCharacters = 100;
    // Room for " (id)" and ".txt" within the usual 255-byte limit on a name.
    static constexpr std::size_t kMaxBaseBytes = 200;

    // The name without uniqueness and without ".txt".
    static std::string baseName(const Note& note);
    // The next note's name: claimed in note order, the names are the same on every run and all distinct.
    std::string claim(const Note& note);
    // One name per note, in note order.
    static std::vector<std::string> reserve(const std::vector<Note>& notes);

private:
    UniqueNames m_taken;
};

} // namespace varnholt::notesdb
