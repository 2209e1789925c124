#pragma once

#include "export/ExporterDispatch.h"
#include "model/ExportOptions.h"
#include "platform/Error.h"
#include "platform/MainQueue.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace varnholt {

// The single object between the front ends and the exporters. All published
// state lives on the main queue's thread; exports run on a thread of their own.
class ExportManager {
public:
    enum class Field { isExporting, progress, statusMessage, lastError, exportSummary };
    enum class Outcome { completed, failed };

    using ChangeObserver = std::function<void(Field)>;
    using OutcomeObserver = std::function<void(Outcome)>;

    static constexpr std::chrono::milliseconds kResetDelay{2000};

    // Makes the exporter for one request. The default picks it by source and method; tests pass their own.
    using ExporterFactory = std::function<std::unique_ptr<Exporter>(const ExportOptions&)>;

    explicit ExportManager(MainQueue& mainQueue, ExporterFactory exporters = makeExporter);
    // Asks running exports to stop and waits for their threads.
    ~ExportManager();
    ExportManager(const ExportManager&) = delete;
    ExportManager& operator=(const ExportManager&) = delete;

    bool isExporting() const { return m_isExporting; }
    double progress() const { return m_progress; }
    const std::string& statusMessage() const { return m_statusMessage; }
    const ErrorPtr& lastError() const { return m_lastError; }
    const std::optional<std::string>& exportSummary() const { return m_exportSummary; }

    // Call on the main thread. Returns once the export thread has been started.
    void startExport(const ExportOptions& options);
    void cancelExport();
    void clearError();

    // Observers are called on the main thread: after every change of a published field,
    // and once per export when its outcome is known (before the 2-second reset).
    int addChangeObserver(ChangeObserver observer);
    int addOutcomeObserver(OutcomeObserver observer);
    void removeObserver(int id);

private:
    struct Task;

    using AliveToken = std::weak_ptr<ExportManager*>;
    static void runExportBody(const std::shared_ptr<Task>& task, const ExportOptions& options, AliveToken alive,
                              MainQueue& mainQueue, const ExporterFactory& exporters);
    static void postToMain(const AliveToken& alive, MainQueue& mainQueue, std::function<void(ExportManager&)> action);
    void complete(const std::shared_ptr<Task>& task, const ExportOptions& options,
                  const std::optional<std::string>& leftOut = std::nullopt);
    void fail(const std::shared_ptr<Task>& task, ErrorPtr error);
    void scheduleReset(const std::shared_ptr<Task>& task);
    void pruneFinishedTasks();

    void setIsExporting(bool value);
    void setProgress(double value);
    void setStatusMessage(std::string value);
    void setLastError(ErrorPtr value);
    void setExportSummary(std::optional<std::string> value);
    void notify(Field field);
    void notifyOutcome(Outcome outcome);

    MainQueue& m_mainQueue;
    ExporterFactory m_exporters;
    // Held weakly by everything posted to the main queue, so nothing touches a destroyed manager.
    std::shared_ptr<ExportManager*> m_alive;

    bool m_isExporting = false;
    double m_progress = 0.0;
    std::string m_statusMessage;
    ErrorPtr m_lastError;
    std::optional<std::string> m_exportSummary;

    std::shared_ptr<Task> m_currentTask;
    std::vector<std::shared_ptr<Task>> m_tasks;

    int m_nextObserverId = 1;
    std::map<int, ChangeObserver> m_changeObservers;
    std::map<int, OutcomeObserver> m_outcomeObservers;
};

} // namespace varnholt
