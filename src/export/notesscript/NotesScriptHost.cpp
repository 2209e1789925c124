#include "export/notesscript/NotesScriptHost.h"

#include "export/notesscript/NotesScripts.h"
#include "platform/Error.h"

namespace varnholt {

namespace {
class LibraryScript : public Script {
public:
    enum class Kind { count, summary, unknown };

    LibraryScript(Kind kind, NotesScriptHost::CountLibrary countLibrary)
        : m_kind(kind), m_countLibrary(std::move(countLibrary))
    {
    }

    ScriptOutcome executeAndReturnError() override
    {
        if (m_kind == Kind::unknown) {
            ScriptErrorInfo error;
            error.entries["NSAppleScriptErrorNumber"] = NotesScriptHost::kNotUnderstood;
            error.entries["NSAppleScriptErrorMessage"] = std::string("Notes got an error: this script is not supported "
                                                                     "by the Linux Notes library.");
            return error;
        }
        std::optional<NotesLibraryCounts> counts;
        try {
            counts = m_countLibrary ? m_countLibrary() : std::nullopt;
        } catch (const Error& failure) {
            ScriptErrorInfo error;
            error.entries["NSAppleScriptErrorNumber"] = NotesScriptHost::kGeneralError;
            error.entries["NSAppleScriptErrorMessage"] = "Notes got an error: " + failure.description();
            return error;
        }
        if (!counts) {
            ScriptErrorInfo error;
            error.entries["NSAppleScriptErrorNumber"] = kErrorEventNotPermitted;
            error.entries["NSAppleScriptErrorMessage"] =
                std::string("Not authorized to send Apple events to Notes: the Notes store cannot be read.");
            return error;
        }
        ScriptDescriptor result;
        if (m_kind == Kind::count) {
            result.int32Value = static_cast<std::int32_t>(counts->notes);
            result.stringValue = std::to_string(counts->notes);
        } else {
            result.stringValue = "Total: " + std::to_string(counts->notes) + " notes in " +
                                 std::to_string(counts->accounts) + " accounts";
        }
        return result;
    }

private:
    Kind m_kind;
    NotesScriptHost::CountLibrary m_countLibrary;
};
} // namespace

std::unique_ptr<Script> NotesScriptHost::create(const std::string& source)
{
    LibraryScript::Kind kind = LibraryScript::Kind::unknown;
    if (source == kCountNotesScript)
        kind = LibraryScript::Kind::count;
    else if (source == kSummaryScript)
        kind = LibraryScript::Kind::summary;
    return std::make_unique<LibraryScript>(kind, m_countLibrary);
}

} // namespace varnholt
