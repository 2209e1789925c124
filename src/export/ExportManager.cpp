#include "export/ExportManager.h"

#include "export/ExportBranches.h"
#include "export/ExportContext.h"
#include "model/ExportError.h"
#include "platform/DomainError.h"
#include "platform/Trace.h"

#include <atomic>
#include <thread>

namespace varnholt {

struct ExportManager::Task {
    std::stop_source stop;
    bool cancelled = false; // main thread only
    std::atomic<bool> finished{false};
    std::jthread thread;
};

ExportManager::ExportManager(MainQueue& mainQueue, BranchRunner runner)
    : m_mainQueue(mainQueue), m_runner(std::move(runner)), m_alive(std::make_shared<ExportManager*>(this))
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
    task->thread = std::jthread([task, options, alive = AliveToken(m_alive), queue = &m_mainQueue, runner = m_runner] {
        runExportBody(task, options, alive, *queue, runner);
    });
}

void ExportManager::runExportBody(const std::shared_ptr<Task>& task, const ExportOptions& options, AliveToken alive,
                                  MainQueue& mainQueue, const BranchRunner& runner)
{
    // Runs on the export thread: touches no field directly, only through the main queue.
    auto setStatus = [alive, &mainQueue, task](std::string status) {
        postToMain(alive, mainQueue, [task, status = std::move(status)](ExportManager& self) {
            if (!task->cancelled)
                self.setStatusMessage(status);
        });
    };
    auto setProgress = [alive, &mainQueue, task](double progress) {
        postToMain(alive, mainQueue, [task, progress](ExportManager& self) {
            if (!task->cancelled)
                self.setProgress(progress);
        });
    };
    ExportContext context(options, task->stop.get_token(), setStatus, setProgress);

    ErrorPtr error;
    try {
        runner(context);
    } catch (const Error& e) {
        error = e.clone();
    } catch (const std::exception& e) {
        error = std::make_shared<DomainError>("Varnholt", 1, e.what());
    } catch (...) {
        error = std::make_shared<DomainError>("Varnholt", 1, "Unknown error");
    }

    if (error)
        postToMain(alive, mainQueue, [task, error](ExportManager& self) { self.fail(task, error); });
    else
        postToMain(alive, mainQueue, [task, options](ExportManager& self) { self.complete(task, options); });
    task->finished = true;
}

void ExportManager::runSourceBranch(const ExportContext& context)
{
    switch (context.options().type) {
    case ExporterType::voiceMemos:
        runVoiceMemosBranch(context);
        break;
    case ExporterType::messages:
        runMessagesBranch(context);
        break;
    case ExporterType::notes:
        runNotesBranch(context);
        break;
    default:
        runNotImplementedBranch(context);
        break;
    }
}

void ExportManager::complete(const std::shared_ptr<Task>& task, const ExportOptions& options)
{
    if (task->cancelled)
        return;
    if (options.isDryRun) {
        setExportSummary(m_statusMessage);
        setStatusMessage("Preview complete!");
    } else {
        setStatusMessage("Export complete!");
        setExportSummary("Files exported to: " + options.outputPath);
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
        Trace::line("[Varnholt] To fix: System Settings > Privacy & Security > Automation > Varnholt > Enable Notes");
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
