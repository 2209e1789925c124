#pragma once

#include "platform/MainQueue.h"

#include <QObject>
#include <memory>

namespace varnholt {

// The GUI thread as the manager's main queue: closures posted from any thread
// are queued on the thread that created this object and run by its event loop.
class QtMainQueue : public MainQueue {
public:
    QtMainQueue();
    ~QtMainQueue() override;
    QtMainQueue(const QtMainQueue&) = delete;
    QtMainQueue& operator=(const QtMainQueue&) = delete;

    void post(Task task) override;
    void postAfter(std::chrono::milliseconds delay, Task task) override;

private:
    // Lives on the GUI thread; closures still queued when it goes are dropped with it.
    std::unique_ptr<QObject> m_context;
};

} // namespace varnholt
