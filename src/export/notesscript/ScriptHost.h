#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace varnholt {

// The result descriptor of a script run: what it can be read as.
struct ScriptDescriptor {
    std::optional<std::int32_t> int32Value;
    std::optional<std::string> stringValue;
};

// The error information of a failed script run, keyed as the macOS scripting component keys it
// ("NSAppleScriptErrorNumber", "NSAppleScriptErrorMessage", ...).
struct ScriptErrorInfo {
    std::map<std::string, std::variant<long long, std::string>> entries;

    // The number under NSAppleScriptErrorNumber; -1 when missing or not an integer.
    long long errorNumber() const;
    // The whole dictionary as text.
    std::string description() const;
};

using ScriptOutcome = std::variant<ScriptDescriptor, ScriptErrorInfo>;

// A compiled in-process script.
class Script {
public:
    virtual ~Script() = default;
    virtual ScriptOutcome executeAndReturnError() = 0;
};

// Creates in-process scripts from source text, as NSAppleScript does on macOS.
class ScriptHost {
public:
    virtual ~ScriptHost() = default;
    // No script when the source cannot be compiled.
    virtual std::unique_ptr<Script> create(const std::string& source) = 0;
};

inline constexpr long long kErrorEventNotPermitted = -1743;

} // namespace varnholt
