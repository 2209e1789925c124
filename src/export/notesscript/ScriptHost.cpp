#include "export/notesscript/ScriptHost.h"

namespace varnholt {

long long ScriptErrorInfo::errorNumber() const
{
    const auto it = entries.find("NSAppleScriptErrorNumber");
    if (it == entries.end())
        return -1;
    if (const auto* number = std::get_if<long long>(&it->second))
        return *number;
    return -1;
}

std::string ScriptErrorInfo::description() const
{
    std::string text = "{";
    bool first = true;
    for (const auto& [key, value] : entries) {
        text += first ? "\n    " : ";\n    ";
        first = false;
        text += key + " = ";
        if (const auto* number = std::get_if<long long>(&value))
            text += std::to_string(*number);
        else
            text += "\"" + std::get<std::string>(value) + "\"";
    }
    return text + (first ? "}" : ";\n}");
}

} // namespace varnholt
