#pragma once

#include "platform/MainQueue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <vector>

namespace varnholt {

// A main queue driven by hand, with its own virtual clock: nothing runs until
// the owner drains it, and delayed closures run only when the owner advances
// the clock. Tests use it to step through asynchronous work without waiting.
class ManualMainQueue : public MainQueue {
public:
    void post(Task task) override;
    void postAfter(std::chrono::milliseconds delay, Task task) override;

    // Runs every closure that is due, including those posted while running. Returns how many ran.
    int drain();
    // Moves the virtual clock forward, then drains.
    int advance(std::chrono::milliseconds by);
    // Blocks until a closure is posted (from another thread) or the timeout passes, then drains.
    // The timeout only guards against a hung test; it is not a timing assumption.
    int waitAndDrain(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Drains until `done` holds, waiting for posts in between.
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(30));

    std::chrono::milliseconds now() const;
    size_t pendingDelayed() const;

private:
    struct Delayed {
        std::chrono::milliseconds due;
        unsigned long sequence;
        Task task;
    };

    mutable std::mutex m_mutex;
    std::condition_variable m_posted;
    std::deque<Task> m_ready;
    std::vector<Delayed> m_delayed;
    std::chrono::milliseconds m_now{0};
    unsigned long m_sequence = 0;
};

} // namespace varnholt
