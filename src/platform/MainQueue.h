#pragma once

#include <chrono>
#include <functional>

namespace varnholt {

// The thread that owns a front end's state. Closures posted from any thread
// run on that thread, one at a time, in the order they were posted; delayed
// closures run once their delay has passed on the queue's own clock.
class MainQueue {
public:
    using Task = std::function<void()>;

    virtual ~MainQueue() = default;
    virtual void post(Task task) = 0;
    virtual void postAfter(std::chrono::milliseconds delay, Task task) = 0;
};

} // namespace varnholt
