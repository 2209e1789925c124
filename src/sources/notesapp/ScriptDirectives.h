#pragma once

#include <optional>
#include <string>

namespace varnholt::notesapp {

// What the Linux stand-in for osascript takes from a prepared Notes export script.
struct ScriptDirectives {
    // From `set destRootPOSIX to "<path>"`; absent when the script has no such line with a plain
    // quoted path (an unprepared script still names the developer's folder by an expression).
    std::optional<std::string> destinationRoot;
    // The smaller of `set globalDebugLimit to N` and `set debugLimit to N`, when present.
    std::optional<long long> limit;

    static ScriptDirectives parse(const std::string& script);
};

} // namespace varnholt::notesapp
