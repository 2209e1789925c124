#pragma once

#include "platform/MainQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace varnholt {

// A main queue for programs without a toolkit: the thread that calls run()
// becomes the main thread until quit() is called.
class EventLoop : public MainQueue {
public:
    void post(Task task) override;
    void postAfter(std::chrono::milliseconds delay, Task task) override;

    void run();
    void quit();

private:
    struct Delayed {
        std::chrono::steady_clock::time_point due;
        Task task;
    };

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Task> m_ready;
    std::vector<Delayed> m_delayed;
    bool m_quit = false;
};

} // namespace varnholt
