#pragma once

#include "export/ExportManager.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

namespace varnholt {

class QtMainQueue;

// Owns the window's ExportManager and republishes its state as Qt signals, so
// screens observe this object and never the manager's observer lists. The
// manager runs each export on a thread of its own; nothing here blocks.
class ExportManagerBinding : public QObject {
    Q_OBJECT

public:
    // Publishes on the GUI thread that creates the binding.
    explicit ExportManagerBinding(QObject* parent = nullptr);
    // Publishes on the given queue (tests drive a ManualMainQueue by hand).
    explicit ExportManagerBinding(MainQueue& queue, QObject* parent = nullptr);
    ~ExportManagerBinding() override;

    bool isExporting() const { return m_manager->isExporting(); }
    double progress() const { return m_manager->progress(); }
    QString statusMessage() const { return QString::fromStdString(m_manager->statusMessage()); }
    const ErrorPtr& lastError() const { return m_manager->lastError(); }
    std::optional<QString> exportSummary() const;

    void startExport(const ExportOptions& options) { m_manager->startExport(options); }
    void cancelExport() { m_manager->cancelExport(); }
    void clearError() { m_manager->clearError(); }

signals:
    void isExportingChanged();
    void progressChanged();
    void statusMessageChanged();
    void lastErrorChanged();
    void exportSummaryChanged();
    void exportCompleted();
    void exportFailed();

private:
    void observe();
    void relay(ExportManager::Field field);

    // Declared before the manager: the manager joins its threads on destruction,
    // and they may still post to the queue until then.
    std::unique_ptr<QtMainQueue> m_ownQueue;
    std::unique_ptr<ExportManager> m_manager;
};

} // namespace varnholt
