#include "support/NotesAnswerKey.h"

#include "support/RealData.h"

#include <fstream>
#include <regex>

namespace varnholt::test {

namespace fs = std::filesystem;

std::vector<AnswerNote> readAnswerKey(const fs::path& file)
{
    // "note.<field>=" lines; the body and the plain text run on over the lines that follow.
    std::ifstream in(file);
    std::vector<AnswerNote> notes;
    std::string* running = nullptr;
    for (std::string line; std::getline(in, line);) {
        auto value = [&](const char* key) {
            return line.rfind(key, 0) == 0 ? std::optional(line.substr(std::string(key).size())) : std::nullopt;
        };
        if (value("note.id=")) {
            notes.emplace_back();
            running = nullptr;
        } else if (notes.empty()) {
            continue;
        } else if (running && (running == &notes.back().plaintext || line.rfind("note.", 0) != 0)) {
            *running += "\n" + line;
        } else if (auto v = value("note.body=")) {
            notes.back().body = *v;
            running = &notes.back().body;
        } else if (auto v = value("note.plaintext=")) {
            notes.back().plaintext = *v;
            running = &notes.back().plaintext;
        } else {
            running = nullptr;
            if (auto v = value("note.name="))
                notes.back().name = *v;
            else if (auto v = value("note.folder="))
                notes.back().folder = *v;
            else if (auto v = value("note.account="))
                notes.back().account = *v;
            else if (line == "note.password_protected=True")
                notes.back().locked = true;
        }
    }
    return notes;
}

const std::vector<std::pair<std::string, std::string>>& rhetTbullStores()
{
    static const std::vector<std::pair<std::string, std::string>> kStores{
        {"NoteStore-macOS-12-Monterey.sqlite", "Notes-macOS-12-Monterey.txt"},
        {"NoteStore-macOS-13-Ventura.sqlite", "Notes-macOS-13-Ventura.txt"},
        {"NoteStore-macOS-14-Sonoma.sqlite", "Notes-macOS-14-Sonoma.txt"},
        {"NoteStore-macOS-15-Seqoia.sqlite", "Notes-macOS-15-Seqoia.txt"},
        {"NoteStore-macOS-26-Tahoe.sqlite", "notes_macOS-26-Tahoe-beta.txt"}};
    return kStores;
}

TableCells tableCells(const std::string& html)
{
    TableCells tables;
    const std::regex table("<table[^>]*>([\\s\\S]*?)</table>"), row("<tr>([\\s\\S]*?)</tr>"),
        cell("<td[^>]*>([\\s\\S]*?)</td>"), noise("<[^>]+>|\\n");
    const std::sregex_iterator end;
    for (std::sregex_iterator t(html.begin(), html.end(), table); t != end; ++t) {
        auto& rows = tables.emplace_back();
        const std::string inner = (*t)[1];
        for (std::sregex_iterator r(inner.begin(), inner.end(), row); r != end; ++r) {
            auto& cells = rows.emplace_back();
            const std::string content = (*r)[1];
            for (std::sregex_iterator c(content.begin(), content.end(), cell); c != end; ++c)
                cells.push_back(std::regex_replace((*c)[1].str(), noise, ""));
        }
    }
    return tables;
}

fs::path homeWithStore(const fs::path& home, const fs::path& store, bool wholeContainer)
{
    const fs::path container = home / "Library/Group Containers/group.com.apple.notes";
    fs::create_directories(container);
    if (wholeContainer)
        fs::copy(store.parent_path(), container, fs::copy_options::recursive);
    else
        copyDatabase(store, container);
    if (store.filename() != "NoteStore.sqlite")
        for (const char* suffix : {"", "-wal", "-shm"})
            if (fs::exists(container / (store.filename().string() + suffix)))
                fs::rename(container / (store.filename().string() + suffix),
                           container / (std::string("NoteStore.sqlite") + suffix));
    return home;
}

} // namespace varnholt::test
