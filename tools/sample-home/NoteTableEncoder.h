#pragma once

#include <string>
#include <vector>

namespace varnholt::sample {

// A table as Notes keeps it: mergeable data whose rows and columns are ordered sets of UUIDs
// and whose cells sit in a dictionary of columns, each a dictionary of rows.
struct SampleTable {
    // Cells row by row in logical column order (for a right-to-left table, the first column is
    // the one on the right).
    std::vector<std::vector<std::string>> cells;
    bool rightToLeft = false;
    // The orderings list rows and columns in the reverse of the order their objects were made,
    // as a table whose rows were moved does.
    bool reorder = false;
    // A cell of row 0, column 0 that points at an object that does not exist.
    bool danglingFirstCell = false;
};

// Gzip-compressed, as in ZMERGEABLEDATA1.
std::string encodeCompressedTable(const SampleTable& table);

} // namespace varnholt::sample
