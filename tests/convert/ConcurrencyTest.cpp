#include "convert/OutputLocks.h"
#include "platform/ThreadPool.h"

#include <gtest/gtest.h>

#include <atomic>
#include <exception>
#include <stdexcept>

namespace varnholt {
namespace {

TEST(ThreadPool, RunsEveryTaskOfABatchEvenWhenOneThrows)
{
    ThreadPool pool(4);
    EXPECT_EQ(pool.size(), 4u);
    std::atomic<int> sum = 0;
    for (int batch = 0; batch < 3; ++batch) {
        std::vector<std::function<void()>> tasks;
        for (int i = 1; i <= 40; ++i)
            tasks.push_back([&sum, i] { sum += i; });
        tasks.push_back([] { throw std::runtime_error("broken note"); });
        const std::vector<std::exception_ptr> failures = pool.runAll(std::move(tasks));
        EXPECT_EQ(sum.load(), (batch + 1) * 820) << "runAll returns only when the batch is done";
        ASSERT_EQ(failures.size(), 1u) << "each batch reports its own failures";
        EXPECT_THROW(std::rethrow_exception(failures.front()), std::runtime_error);
    }
    EXPECT_GE(ThreadPool().size(), 1u);
}

TEST(OutputLocks, OneWriterPerPathAtATime)
{
    OutputLocks locks;
    {
        const auto guard = locks.lock("/out/a.txt");
        EXPECT_TRUE(locks.isLocked("/out/a.txt"));
        EXPECT_FALSE(locks.isLocked("/out/b.txt"));
    }
    EXPECT_FALSE(locks.isLocked("/out/a.txt"));

    ThreadPool pool(4);
    std::atomic<int> inside = 0;
    std::atomic<int> most = 0;
    std::vector<std::function<void()>> tasks;
    for (int i = 0; i < 400; ++i)
        tasks.push_back([&] {
            const auto guard = locks.lock("/out/same.txt");
            const int now = ++inside;
            int seen = most.load();
            while (now > seen && !most.compare_exchange_weak(seen, now)) {
            }
            --inside;
        });
    EXPECT_TRUE(pool.runAll(std::move(tasks)).empty());
    EXPECT_EQ(most.load(), 1);
}

} // namespace
} // namespace varnholt
