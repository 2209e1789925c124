#include "notesapp/ScriptDirectives.h"

#include <algorithm>
#include <regex>
#include <sstream>

namespace varnholt::notesapp {

ScriptDirectives ScriptDirectives::parse(const std::string& script)
{
    static const std::regex destination(R"(^\s*set destRootPOSIX to "([^"]*)"\s*$)");
    static const std::regex limit(R"(^\s*set (?:globalDebugLimit|debugLimit) to (-?\d{1,18})\s*$)");
    ScriptDirectives directives;
    std::istringstream lines(script);
    std::string line;
    std::smatch match;
    while (std::getline(lines, line)) {
        if (std::regex_match(line, match, destination)) {
            directives.destinationRoot = match[1].str();
        } else if (std::regex_match(line, match, limit)) {
            const long long value = std::stoll(match[1].str());
            directives.limit = directives.limit ? std::min(*directives.limit, value) : value;
        }
    }
    return directives;
}

} // namespace varnholt::notesapp
