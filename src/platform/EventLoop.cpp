#include "platform/EventLoop.h"

#include <algorithm>

namespace varnholt {

void EventLoop::post(Task task)
{
    {
        std::lock_guard lock(m_mutex);
        m_ready.push_back(std::move(task));
    }
    m_wake.notify_all();
}

void EventLoop::postAfter(std::chrono::milliseconds delay, Task task)
{
    {
        std::lock_guard lock(m_mutex);
        m_delayed.push_back({std::chrono::steady_clock::now() + delay, std::move(task)});
    }
    m_wake.notify_all();
}

void EventLoop::quit()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
    }
    m_wake.notify_all();
}

void EventLoop::run()
{
    std::unique_lock lock(m_mutex);
    while (!m_quit) {
        const auto now = std::chrono::steady_clock::now();
        auto due =
            std::stable_partition(m_delayed.begin(), m_delayed.end(), [now](const Delayed& d) { return d.due <= now; });
        for (auto it = m_delayed.begin(); it != due; ++it)
            m_ready.push_back(std::move(it->task));
        m_delayed.erase(m_delayed.begin(), due);

        if (m_ready.empty()) {
            if (m_delayed.empty()) {
                m_wake.wait(lock);
            } else {
                auto earliest = std::min_element(m_delayed.begin(), m_delayed.end(),
                                                 [](const Delayed& a, const Delayed& b) { return a.due < b.due; });
                m_wake.wait_until(lock, earliest->due);
            }
            continue;
        }
        Task next = std::move(m_ready.front());
        m_ready.pop_front();
        lock.unlock();
        next();
        lock.lock();
    }
    m_quit = false;
}

} // namespace varnholt
