#include "export/notesscript/NotesExporterSimple.h"

#include "export/notesscript/ExportProgressText.h"
#include "export/notesscript/ExportState.h"
#include "export/notesscript/HtmlFileCounter.h"
#include "export/notesscript/NotesScripts.h"
#include "export/notesscript/ScriptPreparation.h"
#include "model/ExportError.h"
#include "platform/DomainError.h"
#include "platform/Files.h"
#include "platform/Trace.h"

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <thread>

namespace varnholt {

namespace fs = std::filesystem;

namespace {
bool hasConversionFormat(const ExportFormatSet& formats)
{
    return formats.count(ExportFormat::pdf) || formats.count(ExportFormat::txt) || formats.count(ExportFormat::rtf) ||
           formats.count(ExportFormat::markdown);
}

std::string withoutTrailingSlash(std::string path)
{
    if (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

// Ends a script that must not outlive the export: terminate, then interrupt, then kill.
void stopScript(ScriptProcess& process)
{
    process.terminate();
    for (int i = 0; i < 20 && process.isRunning(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (process.isRunning())
        process.interrupt();
    for (int i = 0; i < 20 && process.isRunning(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (process.isRunning())
        process.kill();
}
} // namespace

NotesExporterSimple::NotesExporterSimple(Services services, std::stop_token stop)
    : m_services(std::move(services)), m_stop(std::move(stop))
{
    if (!m_services.now)
        m_services.now = [] { return std::chrono::steady_clock::now(); };
    if (!m_services.pause)
        m_services.pause = [](std::chrono::milliseconds duration, std::stop_token stop) {
            std::mutex mutex;
            std::condition_variable_any wake;
            std::unique_lock lock(mutex);
            wake.wait_for(lock, stop, duration, [] { return false; });
        };
}

std::string NotesExporterSimple::htmlDestination(const std::string& outputPath, const ExportFormatSet& formats)
{
    if (formats.size() > 1 && formats.count(ExportFormat::html))
        return outputPath + "/html/";
    return outputPath + "/";
}

ScriptDescriptor NotesExporterSimple::runScript(const std::string& source)
{
    std::unique_ptr<Script> script = m_services.scriptHost ? m_services.scriptHost->create(source) : nullptr;
    if (!script)
        throw ExportError::scriptCompilationFailed();
    ScriptOutcome outcome = script->executeAndReturnError();
    if (auto* result = std::get_if<ScriptDescriptor>(&outcome))
        return *result;
    const auto& error = std::get<ScriptErrorInfo>(outcome);
    if (error.errorNumber() == kErrorEventNotPermitted)
        throw ExportError::permissionDenied("Notes requires automation permission");
    throw ExportError::scriptExecutionFailed(error.description());
}

long long NotesExporterSimple::getTotalNoteCount()
{
    return runScript(kCountNotesScript).int32Value.value_or(0);
}

void NotesExporterSimple::performDryRun(const ProgressHandler& progressHandler)
{
    progressHandler(0.1, "Scanning Notes library...");
    const ScriptDescriptor result = runScript(kSummaryScript);
    progressHandler(1.0, result.stringValue.value_or("Unable to count notes"));
}

std::string NotesExporterSimple::readScript() const
{
    std::optional<std::string> path = m_services.scriptResource ? m_services.scriptResource() : std::nullopt;
    if (!path) {
        std::error_code ec;
        path = fs::current_path(ec).string() + "/export_notes.applescript";
    }
    auto text = readFile(*path);
    if (!text)
        throw text.error();
    return *text;
}

void NotesExporterSimple::exportTo(const std::string& outputPath, DryRun dryRun, const ExportFormatSet& formats,
                                   std::optional<long long> testModeLimit, const ProgressHandler& progressHandler)
{
    if (dryRun == DryRun::yes) {
        performDryRun(progressHandler);
        return;
    }

    if (auto created = createDirectories(outputPath); !created)
        throw created.error();

    progressHandler(0.05, "Counting notes...");
    const long long total = getTotalNoteCount();
    if (total == 0) {
        progressHandler(1.0, "No notes found");
        return;
    }

    const long long notesToExport = testModeLimit ? std::min(total, *testModeLimit) : total;
    std::string starting = "Starting export of " + std::to_string(notesToExport) + " notes";
    if (testModeLimit)
        starting += " (DEBUG MODE: limited to " + std::to_string(*testModeLimit) + ")";
    progressHandler(0.1, starting + "...");

    const std::string destination = htmlDestination(outputPath, formats);
    const std::string htmlFolder = withoutTrailingSlash(destination);
    const std::string script = prepareExportScript(readScript(), destination, testModeLimit);

    auto state = std::make_shared<ExportState>();
    // The runner is joined before this call returns: a script must never write on after its export ended.
    std::jthread runner([state, launch = m_services.launch, executable = m_services.osascriptPath, script] {
        if (!launch) {
            state->setError(
                std::make_exception_ptr(DomainError("NotesExporter", 1, "No way to start the export script")));
            state->setComplete();
            return;
        }
        auto process = launch(executable, {"-e", script});
        if (!process) {
            state->setError(std::make_exception_ptr(DomainError(
                "NotesExporter", 1, "Could not start the Notes export script " + executable + ": " + process.error())));
        } else {
            state->setScriptProcess(*process);
            if (state->isAbandoned())
                stopScript(**process);
            const int status = (*process)->wait();
            if (status != 0 && status != 15)
                state->setError(std::make_exception_ptr(
                    ExportError::scriptExecutionFailed("Script exited with code " + std::to_string(status))));
        }
        state->setComplete();
    });
    auto finishRunner = [&] {
        if (auto process = state->abandon(); process && process->isRunning())
            stopScript(*process);
        if (runner.joinable())
            runner.join();
    };

    const auto start = m_services.now();
    ExportProgressText progressText(notesToExport);
    while (!state->isComplete()) {
        if (m_stop.stop_requested()) {
            finishRunner();
            return;
        }
        if (std::exception_ptr error = state->error()) {
            finishRunner();
            std::rethrow_exception(error);
        }
        const long long count = countHTMLFiles(htmlFolder);
        if (testModeLimit && count >= *testModeLimit) {
            if (auto process = state->scriptProcess(); process && process->isRunning()) {
                process->terminate();
                Trace::line("[NotesExporter] Debug limit reached, terminating AppleScript export");
                m_services.pause(kPollInterval, m_stop);
                if (process->isRunning())
                    process->interrupt();
            }
            state->setComplete();
            break;
        }
        const double fraction = std::min(static_cast<double>(count) / static_cast<double>(notesToExport), 0.95);
        const double elapsed = std::chrono::duration<double>(m_services.now() - start).count();
        progressHandler(0.1 + fraction * 0.85, progressText.next(count, elapsed));
        m_services.pause(kPollInterval, m_stop);
    }
    // Checked once, as the loop ends: a script stopped at the test limit may still report its signal later.
    const std::exception_ptr error = state->error();
    finishRunner();
    if (error)
        std::rethrow_exception(error);

    progressHandler(0.95, "Cleaning up empty folders...");
    cleanupEmptyFilesFolders(htmlFolder);

    long long converted = 0;
    if (hasConversionFormat(formats)) {
        progressHandler(0.96, "Converting to additional formats...");
        if (m_services.convertFormats)
            converted = m_services.convertFormats(outputPath, formats, testModeLimit, progressHandler);
    }
    if (!formats.count(ExportFormat::html) && hasConversionFormat(formats)) {
        progressHandler(0.99, "Cleaning up temporary HTML files...");
        disposeTemporaryHtml(outputPath, m_services.runCommand);
    }
    const long long finalCount = formats.count(ExportFormat::html) ? countHTMLFiles(htmlFolder) : converted;
    progressHandler(1.0, "Export complete! " + std::to_string(finalCount) + " notes exported");
}

} // namespace varnholt
