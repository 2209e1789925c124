#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace varnholt::test {

// Every way a user can export, as the safety suites run them.
enum class ExportMethod { voiceMemos, messages, notesFast, notesStandard, notesStandardConverted };

std::string methodName(ExportMethod method);
const std::vector<ExportMethod>& allExportMethods();

struct ExportOutcome {
    int exitCode = -1;    // as the command line would exit: 0 success, 1 export failed
    std::string told;     // what the user was told: the summary or the error
    std::string messages; // that, and the trace lines
    bool succeeded() const { return exitCode == 0; }
};

// Runs one whole export of `home` into `output` through the export manager, as the command
// line does: Messages with contact names, the fast Notes method in both its formats, the standard
// Notes method as HTML alone and with every conversion (HTML kept, so nothing goes to the Trash).
ExportOutcome runExport(ExportMethod method, const std::filesystem::path& home, const std::filesystem::path& output);

// Text of every regular file below a folder, concatenated (for "is this text anywhere in the export").
std::string allText(const std::filesystem::path& folder);

} // namespace varnholt::test
