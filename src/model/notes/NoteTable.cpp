#include "model/notes/NoteTable.h"

namespace varnholt::notesdb {

std::vector<std::vector<std::string>> NoteTable::cellTexts() const
{
    std::vector<std::vector<std::string>> out;
    out.reserve(rows.size());
    for (const auto& row : rows) {
        auto& texts = out.emplace_back();
        texts.reserve(row.size());
        for (const NoteDocument& cell : row)
            texts.push_back(cell.text);
    }
    return out;
}

std::string NoteTable::tabSeparated() const
{
    std::string out;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (r > 0)
            out += '\n';
        for (size_t c = 0; c < rows[r].size(); ++c) {
            if (c > 0)
                out += '\t';
            for (const char ch : rows[r][c].text)
                out += ch == '\n' || ch == '\t' || ch == '\r' ? ' ' : ch;
        }
    }
    return out;
}

} // namespace varnholt::notesdb
