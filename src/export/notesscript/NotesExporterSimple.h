#pragma once

#include "export/notesscript/OutputPostProcessing.h"
#include "export/notesscript/ScriptHost.h"
#include "export/notesscript/ScriptProcess.h"
#include "model/DryRun.h"
#include "model/ExportFormat.h"
#include "platform/ProgressHandler.h"

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

namespace varnholt {

// The standard Notes method: runs the Notes export script in a separate
// process, watches the HTML files appear, tidies the output and converts it.
class NotesExporterSimple {
public:
    using ConvertFormats = std::function<long long(const std::string& outputPath, const ExportFormatSet& formats,
                                                   std::optional<long long> limit, const ProgressHandler& progress)>;
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using Pause = std::function<void(std::chrono::milliseconds, std::stop_token)>;

    // Everything outside this class that an export touches; tests replace any of it.
    struct Services {
        std::shared_ptr<ScriptHost> scriptHost;
        // The export script's path, or none when no resource is installed.
        std::function<std::optional<std::string>()> scriptResource;
        std::string osascriptPath;
        LaunchScript launch;
        RunCommand runCommand;
        ConvertFormats convertFormats;
        Clock now;
        Pause pause;
    };

    static constexpr std::chrono::milliseconds kPollInterval{500};

    explicit NotesExporterSimple(Services services, std::stop_token stop = {});

    // Throws an Error when the export fails.
    void exportTo(const std::string& outputPath, DryRun dryRun, const ExportFormatSet& formats,
                  std::optional<long long> testModeLimit, const ProgressHandler& progressHandler);

    long long getTotalNoteCount();
    void performDryRun(const ProgressHandler& progressHandler);

    // Where the HTML goes: "<out>/html/" when html is one of several formats, else "<out>/".
    static std::string htmlDestination(const std::string& outputPath, const ExportFormatSet& formats);

private:
    ScriptDescriptor runScript(const std::string& source);
    std::string readScript() const;

    Services m_services;
    std::stop_token m_stop;
};

} // namespace varnholt
