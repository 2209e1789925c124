#include "export/notesscript/NotesScriptServices.h"

#include "convert/FormatConverter.h"
#include "export/notesscript/ChildScriptProcess.h"
#include "export/notesscript/NotesScriptHost.h"
#include "platform/DomainError.h"
#include "platform/ProcessRunner.h"
#include "sources/notesapp/NotesLibrary.h"

#include <filesystem>
#include <unistd.h>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
fs::path executableFolder()
{
    std::error_code ec;
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self.parent_path();
}

bool isExecutable(const fs::path& path)
{
    return ::access(path.c_str(), X_OK) == 0 && fs::is_regular_file(path);
}
} // namespace

std::optional<std::string> findExportScriptResource()
{
    const fs::path here = executableFolder();
    for (const fs::path& candidate : {
             fs::path(VARNHOLT_DATA_DIR) / "export_notes.applescript",
             here / "../share/varnholt/export_notes.applescript",
#ifdef VARNHOLT_SOURCE_RESOURCES_DIR
             fs::path(VARNHOLT_SOURCE_RESOURCES_DIR) / "export_notes.applescript",
#endif
         }) {
        std::error_code ec;
        if (fs::is_regular_file(candidate, ec))
            return candidate.lexically_normal().string();
    }
    return std::nullopt;
}

std::string findOsascriptStandIn()
{
    const fs::path here = executableFolder();
    for (const fs::path& candidate : {
             here / "varnholt-osascript",
             here / "../libexec/varnholt/varnholt-osascript",
#ifdef VARNHOLT_TOOLS_DIR
             fs::path(VARNHOLT_TOOLS_DIR) / "varnholt-osascript",
#endif
         }) {
        if (isExecutable(candidate))
            return candidate.lexically_normal().string();
    }
    return (here / "varnholt-osascript").string(); // launching it then fails with a clear message
}

NotesExporterSimple::Services standardNotesServices(SourcePtr source, std::stop_token stop,
                                                    const std::string& scratchFolder, const std::string& passwordFile)
{
    NotesExporterSimple::Services services;
    services.scriptHost =
        std::make_shared<NotesScriptHost>([source, stop, scratchFolder]() -> std::optional<NotesLibraryCounts> {
            try {
                const auto library =
                    notesapp::NotesLibrary::open(*source, defaultReadabilityProbe(), stop,
                                                 notesapp::NotesLibrary::Content::countsOnly, scratchFolder);
                NotesLibraryCounts counts;
                counts.notes = static_cast<long long>(library.notes().size());
                counts.accounts = static_cast<long long>(library.accounts().size());
                return counts;
            } catch (const DomainError& error) {
                // Only a store that is missing or cannot be read is like a refused consent; a damaged
                // one goes on to say what is wrong with it.
                if (error.domain() == "NotesLibrary")
                    return std::nullopt;
                throw;
            }
        });
    services.scriptResource = findExportScriptResource;
    services.osascriptPath = findOsascriptStandIn();
    services.launch = [source, passwordFile](const std::string& executable, const std::vector<std::string>& args)
        -> tl::expected<std::shared_ptr<ScriptProcess>, std::string> {
        ProcessSpec spec;
        spec.executable = executable;
        spec.arguments = args;
        spec.environment = {{"VARNHOLT_SOURCE_HOME", source->root()}, {kPasswordFileVariable, passwordFile}};
        spec.output = ProcessOutput::inherit;
        auto child = ProcessRunner::launch(spec);
        if (!child)
            return tl::unexpected(child.error().description());
        return std::make_shared<ChildScriptProcess>(std::move(*child));
    };
    services.runCommand = [stop](const std::string& executable,
                                 const std::vector<std::string>& args) -> std::optional<int> {
        ProcessSpec spec;
        spec.executable = executable;
        spec.arguments = args;
        spec.output = ProcessOutput::discard;
        spec.timeLimit = std::chrono::minutes(2);
        spec.stopToken = stop;
        auto result = ProcessRunner::run(spec);
        if (!result)
            return std::nullopt;
        return result->status;
    };
    services.convertFormats = [stop](const std::string& outputPath, const ExportFormatSet& formats,
                                     std::optional<long long> limit, const ProgressHandler& progress) -> long long {
        FormatConverter converter(ConversionTools::standard(), stop);
        return converter.convertFormats(outputPath, formats, limit, progress);
    };
    return services;
}

} // namespace varnholt
