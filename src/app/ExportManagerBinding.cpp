#include "app/ExportManagerBinding.h"

#include "app/QtMainQueue.h"

namespace varnholt {

ExportManagerBinding::ExportManagerBinding(QObject* parent)
    : QObject(parent), m_ownQueue(std::make_unique<QtMainQueue>()),
      m_manager(std::make_unique<ExportManager>(*m_ownQueue))
{
    observe();
}

ExportManagerBinding::ExportManagerBinding(MainQueue& queue, QObject* parent)
    : QObject(parent), m_manager(std::make_unique<ExportManager>(queue))
{
    observe();
}

ExportManagerBinding::~ExportManagerBinding()
{
    // Nobody listens any more while the manager winds down its export threads.
    m_manager.reset();
}

std::optional<QString> ExportManagerBinding::exportSummary() const
{
    if (const auto& summary = m_manager->exportSummary())
        return QString::fromStdString(*summary);
    return std::nullopt;
}

void ExportManagerBinding::observe()
{
    // The manager calls its observers on its main queue, which is this object's thread.
    m_manager->addChangeObserver([this](ExportManager::Field field) { relay(field); });
    m_manager->addOutcomeObserver([this](ExportManager::Outcome outcome) {
        if (outcome == ExportManager::Outcome::completed)
            emit exportCompleted();
        else
            emit exportFailed();
    });
}

void ExportManagerBinding::relay(ExportManager::Field field)
{
    switch (field) {
    case ExportManager::Field::isExporting:
        emit isExportingChanged();
        break;
    case ExportManager::Field::progress:
        emit progressChanged();
        break;
    case ExportManager::Field::statusMessage:
        emit statusMessageChanged();
        break;
    case ExportManager::Field::lastError:
        emit lastErrorChanged();
        break;
    case ExportManager::Field::exportSummary:
        emit exportSummaryChanged();
        break;
    }
}

} // namespace varnholt
