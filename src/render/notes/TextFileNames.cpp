#include "render/notes/TextFileNames.h"

#include <algorithm>
#include <unordered_set>

namespace varnholt::notesdb {

namespace {
// Bytes of the UTF-8 character at `i`; a stray byte counts as a character of its own.
std::size_t characterLength(const std::string& text, std::size_t i)
{
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 1;
    if (lead >= 0xF0 && lead <= 0xF4)
        length = 4;
    else if (lead >= 0xE0 && lead <= 0xEF)
        length = 3;
    else if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    if (i + length > text.size())
        return 1;
    for (std::size_t k = 1; k < length; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
            return 1;
    return length;
}

std::string withoutCase(const std::string& name)
{
    std::string key = name;
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return key;
}
} // namespace

std::string TextFileNames::baseName(const Note& note)
{
    const std::string source = note.title && !note.title->empty() ? *note.title : "Untitled_" + std::to_string(note.id);
    std::string name;
    std::size_t characters = 0;
    for (std::size_t i = 0; i < source.size() && characters < kMaxCharacters;) {
        const std::size_t length = characterLength(source, i);
        if (name.size() + length > kMaxBaseBytes)
            break;
        const auto c = static_cast<unsigned char>(source[i]);
        if (length == 1 && (c == '/' || c == ':' || c < 0x20 || c == 0x7F))
            name += '-';
        else
            name.append(source, i, length);
        i += length;
        ++characters;
    }
    return name;
}

std::vector<std::string> TextFileNames::reserve(const std::vector<Note>& notes)
{
    std::vector<std::string> names;
    names.reserve(notes.size());
    std::unordered_set<std::string> taken;
    taken.reserve(notes.size() * 2);
    for (const Note& note : notes) {
        const std::string base = baseName(note);
        std::string name = base + ".txt";
        if (taken.count(withoutCase(name))) {
            const std::string id = std::to_string(note.id);
            name = base + " (" + id + ").txt";
            for (int extra = 2; taken.count(withoutCase(name)); ++extra)
                name = base + " (" + id + "-" + std::to_string(extra) + ").txt";
        }
        taken.insert(withoutCase(name));
        names.push_back(std::move(name));
    }
    return names;
}

} // namespace varnholt::notesdb
