#include "support/ExportRun.h"

#include "cli/Session.h"
#include "model/ExportOptions.h"
#include "platform/Files.h"
#include "support/TraceCapture.h"

#include <algorithm>
#include <sstream>

namespace varnholt::test {

namespace fs = std::filesystem;

std::string methodName(ExportMethod method)
{
    switch (method) {
    case ExportMethod::voiceMemos:
        return "Voice Memos";
    case ExportMethod::messages:
        return "Messages";
    case ExportMethod::notesFast:
        return "Notes (fast)";
    case ExportMethod::notesStandard:
        return "Notes (standard, HTML)";
    case ExportMethod::notesStandardConverted:
        return "Notes (standard, every format)";
    }
    return "?";
}

const std::vector<ExportMethod>& allExportMethods()
{
    static const std::vector<ExportMethod> kMethods{ExportMethod::voiceMemos, ExportMethod::messages,
                                                    ExportMethod::notesFast, ExportMethod::notesStandard,
                                                    ExportMethod::notesStandardConverted};
    return kMethods;
}

ExportOutcome runExport(ExportMethod method, const fs::path& home, const fs::path& output)
{
    ExportOptions options;
    options.sourceHome = home.string();
    options.outputPath = output.string();
    switch (method) {
    case ExportMethod::voiceMemos:
        options.type = ExporterType::voiceMemos;
        break;
    case ExportMethod::messages:
        options.type = ExporterType::messages;
        options.resolveContactNames = true;
        break;
    case ExportMethod::notesFast:
        options.type = ExporterType::notes;
        options.useFastMode = true;
        options.formats = {ExportFormat::json, ExportFormat::html};
        break;
    case ExportMethod::notesStandard:
        options.type = ExporterType::notes;
        options.formats = {ExportFormat::html};
        break;
    case ExportMethod::notesStandardConverted:
        options.type = ExporterType::notes;
        options.formats = {ExportFormat::html, ExportFormat::txt, ExportFormat::rtf, ExportFormat::markdown,
                           ExportFormat::pdf};
        break;
    }
    TraceCapture trace;
    std::ostringstream out;
    std::ostringstream err;
    ExportOutcome outcome;
    outcome.exitCode = cli::runExport(options, cli::Streams{out, err, false});
    outcome.told = out.str() + err.str();
    outcome.messages = outcome.told;
    for (const std::string& line : trace.lines())
        outcome.messages += "\n  trace: " + line;
    return outcome;
}

std::string allText(const fs::path& folder)
{
    std::vector<fs::path> files;
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(folder, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (it->is_regular_file(ec) && !it->is_symlink(ec))
            files.push_back(it->path());
    }
    std::sort(files.begin(), files.end()); // the order writers finish in varies; the listing must not
    std::string text;
    for (const fs::path& file : files)
        if (auto contents = readFile(file))
            text += "== " + file.lexically_relative(folder).string() + "\n" + *contents + "\n";
    return text;
}

} // namespace varnholt::test
