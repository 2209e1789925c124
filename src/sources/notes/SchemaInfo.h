#pragma once

#include <cstdint>
#include <string>

namespace varnholt::notesdb {

// Which of the two table layouts a Notes store has. The query is chosen by
// isModernSchema alone; the other fields are for the log.
struct SchemaInfo {
    bool isModernSchema = true;
    std::string notesTable = "ZICCLOUDSYNCINGOBJECT";
    std::string noteDataTable = "ZICNOTEDATA";
    std::int64_t userVersion = 0;

    static SchemaInfo legacy() { return {false, "ZNOTE", "ZNOTEDATA", 0}; }

    std::string describe() const
    {
        return "SchemaInfo(isModernSchema: " + std::string(isModernSchema ? "true" : "false") + ", notesTable: \"" +
               notesTable + "\", noteDataTable: \"" + noteDataTable +
               "\", userVersion: " + std::to_string(userVersion) + ")";
    }
};

} // namespace varnholt::notesdb
