#pragma once

#include "model/notes/NoteDocument.h"

#include <string>
#include <vector>

namespace varnholt::notesdb {

// A table of a note: its cells row by row, each row in the order a reader sees it from left to
// right (a right-to-left table's rows are already reversed), each cell with its formatting runs.
struct NoteTable {
    std::vector<std::vector<NoteDocument>> rows;
    bool rightToLeft = false;

    // Each cell's text, row by row.
    std::vector<std::vector<std::string>> cellTexts() const;
    // One line per row with the cells separated by tabs; tabs and line breaks inside a cell become
    // spaces so that every row stays one line.
    std::string tabSeparated() const;
};

} // namespace varnholt::notesdb
