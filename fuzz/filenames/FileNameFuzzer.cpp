// Names of conversations, notes, folders, attachments and recordings become file names. Whatever
// a name holds, the file-name rule must leave one harmless, visible component of its folder, and
// the names one export hands out must stay distinct on a volume that ignores case.

#include "fuzz/FuzzCheck.h"
#include "platform/FileNameRule.h"
#include "platform/UniqueNames.h"
#include "platform/Utf8.h"
#include "render/messages/ConversationFileNames.h"
#include "render/notes/TextFileNames.h"

#include <cstddef>
#include <cstdint>
#include <set>

namespace {
using namespace varnholt;

void checkComponent(const std::string& name, std::size_t maxBytes)
{
    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(name.front() != '.');
    FUZZ_CHECK(name.size() <= maxBytes);
    FUZZ_CHECK(utf8::isValid(name));
    for (std::size_t i = 0; i < name.size();) {
        const char32_t c = utf8::next(name, i);
        FUZZ_CHECK(c != '/' && c != '\\' && c != ':');
        FUZZ_CHECK(c >= 0x20 && !(c >= 0x7F && c <= 0x9F));
        FUZZ_CHECK(!(c >= 0x202A && c <= 0x202E) && !(c >= 0x2066 && c <= 0x2069));
    }
}

// Every claim of one folder is distinct, also for names that differ only in case.
void checkDistinct(const std::vector<std::string>& names)
{
    std::set<std::string> keys;
    for (const std::string& name : names)
        FUZZ_CHECK(keys.insert(UniqueNames::key(name)).second);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);

    // Small limits from the first byte reach the cut and the dot prefix at every length.
    const std::size_t tightBytes = size == 0 ? 1 : data[0] % 24 + 1;
    const FileNameRule tight = FileNameRule("x", tightBytes).keepingAtMost(tightBytes / 2 + 1);
    checkComponent(tight.apply(input), tightBytes);
    const FileNameRule notes = FileNameRule("Untitled", 180).droppingTrailingSpaces();
    const std::string component = notes.apply(input);
    checkComponent(component, 180);
    FUZZ_CHECK(component.back() != ' ');
    checkComponent(sanitizeFilename(input), ConversationFileNames::kMaxNameBytes);

    ConversationFileNames conversations;
    std::vector<std::string> claimed;
    for (int chat = 1; chat <= 3; ++chat)
        claimed.push_back(conversations.claim(chat == 2 ? input + "A" : input, chat));
    for (const std::string& name : claimed)
        checkComponent(name + ".json", 255);
    checkDistinct(claimed);

    UniqueNames attachments;
    const std::string upper = [&] {
        std::string text = component;
        for (char& c : text)
            c = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
        return text;
    }();
    checkDistinct(
        {attachments.claim(component, ".jpg"), attachments.claim(upper, ".jpg"), attachments.claim(component, ".jpg")});

    // The same input as note titles: split in two at its first byte's value.
    std::vector<notesdb::Note> notesList(3);
    const std::size_t split = size == 0 ? 0 : data[0] % size;
    notesList[0].id = 1;
    notesList[0].title = input;
    notesList[1].id = 2;
    notesList[1].title = input.substr(0, split);
    notesList[2].id = 3;
    notesList[2].title = input; // the same title again
    const std::vector<std::string> names = notesdb::TextFileNames::reserve(notesList);
    FUZZ_CHECK(names.size() == notesList.size());
    for (const std::string& name : names)
        checkComponent(name, 255);
    checkDistinct(names);
    return 0;
}
