#include "app/QtMainQueue.h"

#include <QMetaObject>
#include <QTimer>

namespace varnholt {

QtMainQueue::QtMainQueue() : m_context(std::make_unique<QObject>()) {}

QtMainQueue::~QtMainQueue() = default;

void QtMainQueue::post(Task task)
{
    QMetaObject::invokeMethod(m_context.get(), std::move(task), Qt::QueuedConnection);
}

void QtMainQueue::postAfter(std::chrono::milliseconds delay, Task task)
{
    // A timer must be started on the thread that runs it, so hop to the GUI thread first.
    QObject* context = m_context.get();
    QMetaObject::invokeMethod(
        context, [context, delay, task = std::move(task)] { QTimer::singleShot(delay, context, task); },
        Qt::QueuedConnection);
}

} // namespace varnholt
