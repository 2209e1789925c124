#pragma once

#include "exporters/notesscript/ScriptHost.h"

#include <functional>
#include <optional>

namespace varnholt {

// What the two in-process scripts need to know of the Notes library.
struct NotesLibraryCounts {
    long long notes = 0;
    long long accounts = 0;
};

// Answers the count and summary scripts from the Notes library on Linux. A
// library that cannot be opened answers like a refused automation consent (-1743);
// any other script is not understood.
class NotesScriptHost : public ScriptHost {
public:
    using CountLibrary = std::function<std::optional<NotesLibraryCounts>()>;

    explicit NotesScriptHost(CountLibrary countLibrary) : m_countLibrary(std::move(countLibrary)) {}

    std::unique_ptr<Script> create(const std::string& source) override;

    static constexpr long long kNotUnderstood = -1708;

private:
    CountLibrary m_countLibrary;
};

} // namespace varnholt
