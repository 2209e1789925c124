#include "sources/notesapp/ScriptDirectives.h"

#include <algorithm>
#include <re2/re2.h>
#include <sstream>

namespace varnholt::notesapp {

namespace {
// Byte by byte, so that a path in any encoding is taken as it is written.
RE2::Options bytewise()
{
    RE2::Options options;
    options.set_encoding(RE2::Options::EncodingLatin1);
    options.set_log_errors(false);
    return options;
}
} // namespace

ScriptDirectives ScriptDirectives::parse(const std::string& script)
{
    static const RE2 destination(R"re([\t\n\v\f\r ]*set destRootPOSIX to "([^"]*)"[\t\n\v\f\r ]*)re", bytewise());
    static const RE2 limitLine(
        R"re([\t\n\v\f\r ]*set (?:globalDebugLimit|debugLimit) to (-?[0-9]{1,18})[\t\n\v\f\r ]*)re", bytewise());
    ScriptDirectives directives;
    std::istringstream lines(script);
    std::string line;
    std::string captured;
    while (std::getline(lines, line)) {
        if (RE2::FullMatch(line, destination, &captured)) {
            directives.destinationRoot = captured;
        } else if (RE2::FullMatch(line, limitLine, &captured)) {
            const long long value = std::stoll(captured);
            directives.limit = directives.limit ? std::min(*directives.limit, value) : value;
        }
    }
    return directives;
}

} // namespace varnholt::notesapp
