#include "export/ExportManager.h"

#include "export/contract/ExportPasswords.h"

#include "export/OutputFolderCheck.h"
#include "model/ExportError.h"
#include "platform/DomainError.h"
#include "platform/HomeFolders.h"
#include "platform/Trace.h"
#include "sources/SourceFactory.h"

#include <atomic>
#include <thread>

namespace varnholt {

namespace {
// Progress from the export thread, applied to the manager's fields on the main queue, in order.
class QueuedProgressSink final : public ProgressSink {
public:
    QueuedProgressSink(std::function<void(std::string)> status, std::function<void(double)> fraction)
        : m_status(std::move(status)), m_fraction(std::move(fraction))
    {
    }
    void setStatus(std::string text) override { m_status(std::move(text)); }
    void setFraction(double fraction) override { m_fraction(fraction); }

private:
    std::function<void(std::string)> m_status;
    std::function<void(double)> m_fraction;
};
} // namespace

struct ExportManager::Task {
    std::stop_source stop;
    bool cancelled = false; // main thread only
    std::atomic<bool> finished{false};
    std::jthread thread;
};

ExportManager::ExportManager(MainQueue& mainQueue, ExporterFactory exporters)
    : m_mainQueue(mainQueue), m_exporters(std::move(exporters)), m_alive(std::make_shared<ExportManager*>(this))
{
}

ExportManager::~ExportManager()
{
    m_alive.reset();
    for (auto& task : m_tasks) {
        task->stop.request_stop();
        if (task->thread.joinable())
            task->thread.join();
    }
}

void ExportManager::postToMain(const AliveToken& alive, MainQueue& mainQueue,
                               std::function<void(ExportManager&)> action)
{
    mainQueue.post([alive, action = std::move(action)] {
        if (auto self = alive.lock())
            action(**self);
    });
}

void ExportManager::startExport(const ExportOptions& options)
{
    pruneFinishedTasks();
    const std::string name(displayName(options.type));

    setIsExporting(true);
    setProgress(0.0);
    setStatusMessage("Starting " + name + " export...");
    setLastError(nullptr);

    Trace::line("[Varnholt] Starting " + name + " export to: " + options.outputPath);
    Trace::line(std::string("[Varnholt] Dry run: ") + (options.isDryRun ? "true" : "false"));
    Trace::line(std::string("[Varnholt] Fast mode: ") + (options.useFastMode ? "true" : "false"));
    if (options.testModeLimit)
        Trace::line("[Varnholt] Test mode: limiting to " + std::to_string(*options.testModeLimit) + " items");

    auto task = std::make_shared<Task>();
    m_currentTask = task;
    m_tasks.push_back(task);
    task->thread = std::jthread([task, options, alive = AliveToken(m_alive), queue = &m_mainQueue,
                                 exporters = m_exporters] { runExportBody(task, options, alive, *queue, exporters); });
}

void ExportManager::runExportBody(const std::shared_ptr<Task>& task, const ExportOptions& options, AliveToken alive,
                                  MainQueue& mainQueue, const ExporterFactory& exporters)
{
    // Runs on the export thread: touches no field directly, only through the main queue.
    auto post = [alive, &mainQueue, task](std::function<void(ExportManager&)> apply) {
        postToMain(alive, mainQueue, [task, apply = std::move(apply)](ExportManager& self) {
            if (!task->cancelled)
                apply(self);
        });
    };
    QueuedProgressSink progress(
        [post](std::string text) {
            post([text = std::move(text)](ExportManager& self) { self.setStatusMessage(text); });
        },
        [post](double fraction) { post([fraction](ExportManager& self) { self.setProgress(fraction); }); });
    tl::expected<ExportSummary, ErrorPtr> result = tl::unexpected(ErrorPtr());
    try {
        // A backup lays out the files this export reads in a private folder beside the output; it
        // goes with the request, on every way out of this block.
        SourceUnlock unlock;
        unlock.passwords = exportPasswords(options);
        unlock.stop = task->stop.get_token();
        unlock.progress = [&progress](double fraction) {
            progress.setStatus("Unlocking the encrypted backup...");
            progress.setFraction(fraction);
        };
        const ExportRequest request{options,
                                    openSource(options.sourceHome.empty() ? currentUserHome() : options.sourceHome,
                                               options.outputPath, options.type, unlock)};
        if (const std::optional<std::string> problem = outputFolderProblem(*request.source, options.outputPath))
            throw DomainError("Varnholt", 2, *problem, ErrorKind::badInput);
        std::unique_ptr<Exporter> exporter = exporters(options);
        result = exporter->run(request, progress, task->stop.get_token());
    } catch (const Error& e) {
        result = tl::unexpected(ErrorPtr(e.clone()));
    } catch (const std::exception& e) {
        result = tl::unexpected(ErrorPtr(std::make_shared<DomainError>("Varnholt", 1, e.what())));
    }
    if (result && result->finalStatus)
        progress.setStatus(*result->finalStatus);

    if (!result) {
        ErrorPtr error =
            result.error() ? result.error() : std::make_shared<DomainError>("Varnholt", 1, "Unknown error");
        postToMain(alive, mainQueue, [task, error](ExportManager& self) { self.fail(task, error); });
    } else {
        postToMain(alive, mainQueue, [task, options, leftOut = result->leftOut](ExportManager& self) {
            self.complete(task, options, leftOut);
        });
    }
    task->finished = true;
}

void ExportManager::complete(const std::shared_ptr<Task>& task, const ExportOptions& options,
                             const std::optional<std::string>& leftOut)
{
    if (task->cancelled)
        return;
    if (options.isDryRun) {
        setExportSummary(m_statusMessage);
        setStatusMessage("Preview complete!");
    } else {
        setStatusMessage("Export complete!");
        setExportSummary("Files exported to: " + options.outputPath + (leftOut ? ". " + *leftOut : std::string()));
    }
    setProgress(1.0);
    Trace::line("[Varnholt] Export completed successfully");
    Trace::line("[Varnholt] Summary: " + (m_exportSummary ? *m_exportSummary : std::string("none")));
    notifyOutcome(Outcome::completed);
    scheduleReset(task);
}

void ExportManager::fail(const std::shared_ptr<Task>& task, ErrorPtr error)
{
    if (task->cancelled)
        return;
    setLastError(error);
    setStatusMessage("Export failed: " + error->description());
    Trace::line("[Varnholt] \u274C Export failed: " + error->description());
    Trace::line("[Varnholt] Error details: " + error->details());
    if (auto exportError = std::dynamic_pointer_cast<const ExportError>(error);
        exportError && exportError->kind() == ExportError::Kind::permissionDenied) {
        Trace::line("[Varnholt] \u26A0\uFE0F Permission Issue: " + exportError->text());
        Trace::line("[Varnholt] To fix: make the Notes database readable for your user (or mount the disk that "
                    "holds it), or choose a source folder that holds a readable copy");
    }
    notifyOutcome(Outcome::failed);
    scheduleReset(task);
}

void ExportManager::scheduleReset(const std::shared_ptr<Task>& task)
{
    std::weak_ptr<ExportManager*> alive = m_alive;
    m_mainQueue.postAfter(kResetDelay, [alive, task] {
        auto self = alive.lock();
        // A later export owns the fields by now; its own reset will come.
        if (!self || task->cancelled || (*self)->m_currentTask != task)
            return;
        ExportManager& manager = **self;
        manager.setIsExporting(false);
        manager.setProgress(0.0);
        manager.setStatusMessage("");
    });
}

void ExportManager::cancelExport()
{
    if (m_currentTask) {
        m_currentTask->cancelled = true;
        m_currentTask->stop.request_stop();
    }
    setIsExporting(false);
    setProgress(0.0);
    setStatusMessage("Export cancelled");
}

void ExportManager::clearError()
{
    setLastError(nullptr);
    setStatusMessage("");
    setExportSummary(std::nullopt);
}

void ExportManager::pruneFinishedTasks()
{
    std::erase_if(m_tasks, [this](const std::shared_ptr<Task>& task) {
        if (!task->finished || task == m_currentTask)
            return false;
        if (task->thread.joinable())
            task->thread.join(); // already past its last statement
        return true;
    });
}

int ExportManager::addChangeObserver(ChangeObserver observer)
{
    const int id = m_nextObserverId++;
    m_changeObservers.emplace(id, std::move(observer));
    return id;
}

int ExportManager::addOutcomeObserver(OutcomeObserver observer)
{
    const int id = m_nextObserverId++;
    m_outcomeObservers.emplace(id, std::move(observer));
    return id;
}

void ExportManager::removeObserver(int id)
{
    m_changeObservers.erase(id);
    m_outcomeObservers.erase(id);
}

void ExportManager::notify(Field field)
{
    // Copy first: an observer may remove itself.
    const auto observers = m_changeObservers;
    for (const auto& [id, observer] : observers)
        observer(field);
}

void ExportManager::notifyOutcome(Outcome outcome)
{
    const auto observers = m_outcomeObservers;
    for (const auto& [id, observer] : observers)
        observer(outcome);
}

void ExportManager::setIsExporting(bool value)
{
    m_isExporting = value;
    notify(Field::isExporting);
}

void ExportManager::setProgress(double value)
{
    m_progress = value;
    notify(Field::progress);
}

void ExportManager::setStatusMessage(std::string value)
{
    m_statusMessage = std::move(value);
    notify(Field::statusMessage);
}

void ExportManager::setLastError(ErrorPtr value)
{
    m_lastError = std::move(value);
    notify(Field::lastError);
}

void ExportManager::setExportSummary(std::optional<std::string> value)
{
    m_exportSummary = std::move(value);
    notify(Field::exportSummary);
}

} // namespace varnholt
