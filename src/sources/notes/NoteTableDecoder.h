#pragma once

#include "model/notes/NoteTable.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace varnholt::notesdb {

// Reads a table out of the mergeable data Notes keeps for it (gzip-compressed or not).
class NoteTableDecoder {
public:
    // More cells than this are taken for damage, not a table: the grid would be allocated whole.
    static constexpr std::size_t kMaxCells = 1'000'000;

    struct Result {
        std::optional<NoteTable> table;
        // Why there is no table, for the trace line; empty when there is one.
        std::string problem;
    };

    [[nodiscard]] static Result decode(std::string_view blob);
};

} // namespace varnholt::notesdb
