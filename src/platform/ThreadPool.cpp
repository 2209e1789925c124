#include "platform/ThreadPool.h"

#include <algorithm>
#include <utility>

namespace varnholt {

ThreadPool::ThreadPool(unsigned workers)
{
    if (workers == 0)
        workers = std::max(1u, std::thread::hardware_concurrency());
    m_workers.reserve(workers);
    for (unsigned i = 0; i < workers; ++i)
        m_workers.emplace_back([this](std::stop_token stop) { work(stop); });
}

ThreadPool::~ThreadPool()
{
    for (auto& worker : m_workers)
        worker.request_stop();
    m_wake.notify_all();
    m_workers.clear(); // joins
}

std::vector<std::exception_ptr> ThreadPool::runAll(std::vector<std::function<void()>> tasks)
{
    std::unique_lock lock(m_mutex);
    for (auto& task : tasks)
        m_queue.push_back(std::move(task));
    m_unfinished += tasks.size();
    m_wake.notify_all();
    m_done.wait(lock, [this] { return m_unfinished == 0; });
    return std::exchange(m_failures, {});
}

void ThreadPool::work(std::stop_token stop)
{
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(m_mutex);
            if (!m_wake.wait(lock, stop, [this] { return !m_queue.empty(); }))
                return;
            task = std::move(m_queue.front());
            m_queue.pop_front();
        }
        std::exception_ptr failure;
        try {
            task();
        } catch (...) {
            failure = std::current_exception();
        }
        task = nullptr; // what it holds goes before its caller may return
        std::lock_guard lock(m_mutex);
        if (failure)
            m_failures.push_back(std::move(failure));
        if (--m_unfinished == 0)
            m_done.notify_all();
    }
}

} // namespace varnholt
