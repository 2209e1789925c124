#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace varnholt::test {

// Every way a user can export, as the safety suites run them.
enum class ExportMethod { voiceMemos, messages, notesFast };

std::string methodName(ExportMethod method);
const std::vector<ExportMethod>& allExportMethods();

struct ExportOutcome {
    int exitCode = -1;    // as the command line would exit: 0 success, 1 export failed
    std::string messages; // what the user was told (summary or error), and the trace lines
    bool succeeded() const { return exitCode == 0; }
};

// Runs one whole export of `home` into `output` through the export manager, as the command
// line does (Messages with contact names, Notes in every format the method offers).
ExportOutcome runExport(ExportMethod method, const std::filesystem::path& home, const std::filesystem::path& output);

// Text of every regular file below a folder, concatenated (for "is this text anywhere in the export").
std::string allText(const std::filesystem::path& folder);

} // namespace varnholt::test
