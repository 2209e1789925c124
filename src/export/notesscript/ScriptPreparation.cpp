#include "export/notesscript/ScriptPreparation.h"

#include <sstream>
#include <vector>

namespace varnholt {

namespace {
std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            return lines;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
}

bool contains(const std::string& line, const char* needle)
{
    return line.find(needle) != std::string::npos;
}

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0)
            out += '\n';
        out += lines[i];
    }
    return out;
}
} // namespace

std::string prepareExportScript(const std::string& script, const std::string& htmlDestination,
                                std::optional<long long> limit)
{
    std::vector<std::string> first;
    bool folderCounterInserted = false;
    for (const std::string& line : splitLines(script)) {
        if (contains(line, "set destRootPOSIX to") && contains(line, "/Users/tolvane/notes_export_")) {
            first.push_back("set destRootPOSIX to \"" + htmlDestination + "\"");
        } else if (limit && !folderCounterInserted && contains(line, "repeat with n in notes of folder f")) {
            first.push_back("set noteCounter to 0");
            first.push_back("set debugLimit to " + std::to_string(*limit));
            first.push_back(line);
            first.push_back("    set noteCounter to noteCounter + 1");
            first.push_back("    if noteCounter > debugLimit then exit repeat");
            folderCounterInserted = true;
        } else {
            first.push_back(line);
        }
    }
    if (!limit)
        return joinLines(first);

    std::vector<std::string> second;
    bool globalCounterInserted = false;
    for (const std::string& line : first) {
        if (!globalCounterInserted && contains(line, "tell application \"Notes\"")) {
            second.push_back("set globalNoteCounter to 0");
            second.push_back("set globalDebugLimit to " + std::to_string(*limit));
            second.push_back(line);
            globalCounterInserted = true;
        } else if (contains(line, "set n_name to name of n")) {
            second.push_back(line);
            second.push_back("        set globalNoteCounter to globalNoteCounter + 1");
            second.push_back("        if globalNoteCounter > globalDebugLimit then return");
        } else {
            second.push_back(line);
        }
    }
    return joinLines(second);
}

} // namespace varnholt
