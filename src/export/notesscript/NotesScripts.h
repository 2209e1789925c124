#pragma once

namespace varnholt {

// The two scripts run in process: the note count and the library summary of a dry run.
inline constexpr const char* kCountNotesScript = "tell application \"Notes\"\n    return count of notes\nend tell";
inline constexpr const char* kSummaryScript =
    "tell application \"Notes\"\n    set totalNotes to 0\n    set accountInfo to {}\n    \n    repeat with acc in "
    "accounts\n        set accName to name of acc\n        set noteCount to count of notes of acc\n        set "
    "totalNotes to totalNotes + noteCount\n        set end of accountInfo to accName & \": \" & noteCount & \" "
    "notes\"\n    end repeat\n    \n    return \"Total: \" & totalNotes & \" notes in \" & (count of accounts) & \" "
    "accounts\"\nend tell";

} // namespace varnholt
