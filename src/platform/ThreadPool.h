#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace varnholt {

// A fixed set of worker threads that runs a batch of tasks and lets the
// caller wait for the whole batch. Workers stop and are joined with the pool.
// Every piece of work the core spreads over threads goes through one.
class ThreadPool {
public:
    // 0 workers means one per processor.
    explicit ThreadPool(unsigned workers = 0);
    ~ThreadPool();
    ThreadPool(const ThreadPool&) = delete;
    ThreadPool& operator=(const ThreadPool&) = delete;

    unsigned size() const { return static_cast<unsigned>(m_workers.size()); }
    // Runs every task and returns when all have finished. A task that throws
    // does not stop the others; what the failed tasks threw is returned, in
    // the order they failed, for the caller to report or rethrow.
    [[nodiscard]] std::vector<std::exception_ptr> runAll(std::vector<std::function<void()>> tasks);

private:
    void work(std::stop_token stop);

    std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::condition_variable m_done;
    std::deque<std::function<void()>> m_queue;
    std::size_t m_unfinished = 0;
    std::vector<std::exception_ptr> m_failures;
    std::vector<std::jthread> m_workers;
};

} // namespace varnholt
