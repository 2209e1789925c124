#include "platform/ManualMainQueue.h"

#include <algorithm>

namespace varnholt {

void ManualMainQueue::post(Task task)
{
    {
        std::lock_guard lock(m_mutex);
        m_ready.push_back(std::move(task));
    }
    m_posted.notify_all();
}

void ManualMainQueue::postAfter(std::chrono::milliseconds delay, Task task)
{
    {
        std::lock_guard lock(m_mutex);
        m_delayed.push_back({m_now + delay, m_sequence++, std::move(task)});
    }
    m_posted.notify_all();
}

int ManualMainQueue::drain()
{
    int ran = 0;
    for (;;) {
        Task next;
        {
            std::lock_guard lock(m_mutex);
            if (m_ready.empty()) {
                // Move due delayed closures over, earliest first.
                std::stable_sort(m_delayed.begin(), m_delayed.end(), [](const Delayed& a, const Delayed& b) {
                    return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
                });
                auto firstNotDue = std::find_if(m_delayed.begin(), m_delayed.end(),
                                                [this](const Delayed& d) { return d.due > m_now; });
                for (auto it = m_delayed.begin(); it != firstNotDue; ++it)
                    m_ready.push_back(std::move(it->task));
                m_delayed.erase(m_delayed.begin(), firstNotDue);
                if (m_ready.empty())
                    return ran;
            }
            next = std::move(m_ready.front());
            m_ready.pop_front();
        }
        next();
        ++ran;
    }
}

int ManualMainQueue::advance(std::chrono::milliseconds by)
{
    {
        std::lock_guard lock(m_mutex);
        m_now += by;
    }
    return drain();
}

int ManualMainQueue::waitAndDrain(std::chrono::milliseconds timeout)
{
    {
        std::unique_lock lock(m_mutex);
        m_posted.wait_for(lock, timeout, [this] { return !m_ready.empty(); });
    }
    return drain();
}

bool ManualMainQueue::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    drain();
    while (!done()) {
        std::unique_lock lock(m_mutex);
        if (!m_posted.wait_until(lock, deadline, [this] { return !m_ready.empty(); }))
            return done();
        lock.unlock();
        drain();
    }
    return true;
}

std::chrono::milliseconds ManualMainQueue::now() const
{
    std::lock_guard lock(m_mutex);
    return m_now;
}

size_t ManualMainQueue::pendingDelayed() const
{
    std::lock_guard lock(m_mutex);
    return m_delayed.size();
}

} // namespace varnholt
