#pragma once

#include "export/notesscript/ScriptHost.h"

#include <functional>
#include <optional>

namespace varnholt {

// What the two in-process scripts need to know of the Notes library.
struct NotesLibraryCounts {
    long long notes = 0;
    long long accounts = 0;
};

// Answers the count and summary scripts from the Notes library on Linux. A
// library that is missing or cannot be read answers like a refused automation
// consent (-1743: the count function gives nothing); one that fails otherwise (a
// damaged store: the count function throws an Error) answers with that error;
// any other script is not understood.
class NotesScriptHost : public ScriptHost {
public:
    using CountLibrary = std::function<std::optional<NotesLibraryCounts>()>;

    explicit NotesScriptHost(CountLibrary countLibrary) : m_countLibrary(std::move(countLibrary)) {}

    std::unique_ptr<Script> create(const std::string& source) override;

    static constexpr long long kNotUnderstood = -1708;
    static constexpr long long kGeneralError = -2700;

private:
    CountLibrary m_countLibrary;
};

} // namespace varnholt
