// Names of conversations and notes become file names. Whatever a name holds, the file name
// must stay one harmless component of its folder.

#include "render/messages/ConversationFileNames.h"
#include "render/notes/TextFileNames.h"
#include "fuzz/FuzzCheck.h"
#include "platform/PathComponent.h"

#include <cstddef>
#include <cstdint>
#include <set>

namespace {
void checkComponent(const std::string& name)
{
    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(name != "." && name != "..");
    FUZZ_CHECK(name.find('/') == std::string::npos);
    FUZZ_CHECK(name.find('\0') == std::string::npos);
    FUZZ_CHECK(name.size() <= 255);
    for (const char c : name)
        FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace varnholt;
    const std::string input(reinterpret_cast<const char*>(data), size);

    const std::string safe = sanitizeFilename(input);
    checkComponent(safe);
    if (fuzz::isValidUtf8(input))
        FUZZ_CHECK(fuzz::isValidUtf8(safe));
    // Every claim of one export is distinct, also for names that differ only in case.
    ConversationFileNames conversations;
    std::set<std::string> claimed;
    for (int chat = 1; chat <= 3; ++chat) {
        const std::string name = conversations.claim(chat == 2 ? input + "A" : input, chat);
        checkComponent(name + ".json");
        FUZZ_CHECK(claimed.insert(name).second);
    }

    // Notes, folders and accounts of the standard method become folder and file names too.
    const std::string component = safePathComponent(input, "Untitled");
    checkComponent(component);
    FUZZ_CHECK(component.size() <= 180);
    FUZZ_CHECK(component.front() != '.');
    if (fuzz::isValidUtf8(input))
        FUZZ_CHECK(fuzz::isValidUtf8(component));

    // The same input as note titles: split in two at its first byte's value.
    std::vector<notesdb::Note> notes(3);
    const size_t split = size == 0 ? 0 : data[0] % size;
    notes[0].id = 1;
    notes[0].title = input;
    notes[1].id = 2;
    notes[1].title = input.substr(0, split);
    notes[2].id = 3;
    notes[2].title = input; // the same title again
    for (const notesdb::Note& note : notes)
        checkComponent(notesdb::TextFileNames::baseName(note) + ".txt");
    std::set<std::string> reserved;
    const std::vector<std::string> names = notesdb::TextFileNames::reserve(notes);
    FUZZ_CHECK(names.size() == notes.size());
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        checkComponent(name);
        if (fuzz::isValidUtf8(*notes[i].title)) // a title cut at a byte may not be
            FUZZ_CHECK(fuzz::isValidUtf8(name));
        std::string lowered = name;
        for (char& c : lowered)
            c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        FUZZ_CHECK(reserved.insert(lowered).second);
    }
    return 0;
}
