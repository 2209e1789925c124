#include "sources/notesapp/ScriptDirectives.h"

#include <algorithm>
#include <regex>
#include <sstream>

namespace varnholt::notesapp {

ScriptDirectives ScriptDirectives::parse(const std::string& script)
{
    static const std::regex destination(R"re(^\s*set destRootPOSIX to "([^"]*)"\s*$)re");
    static const std::regex limitLine(R"re(^\s*set (?:globalDebugLimit|debugLimit) to (-?\d{1,18})\s*$)re");
    ScriptDirectives directives;
    std::istringstream lines(script);
    std::string line;
    std::smatch match;
    while (std::getline(lines, line)) {
        if (std::regex_match(line, match, destination)) {
            directives.destinationRoot = match[1].str();
        } else if (std::regex_match(line, match, limitLine)) {
            const long long value = std::stoll(match[1].str());
            directives.limit = directives.limit ? std::min(*directives.limit, value) : value;
        }
    }
    return directives;
}

} // namespace varnholt::notesapp
