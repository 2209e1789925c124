#include "platform/EventLoop.h"
#include "platform/ManualMainQueue.h"

#include <gtest/gtest.h>
#include <thread>

using namespace varnholt;
using namespace std::chrono_literals;

TEST(ManualMainQueue, RunsInOrderAndDelaysOnVirtualTime)
{
    ManualMainQueue queue;
    std::vector<int> ran;
    queue.postAfter(2000ms, [&] { ran.push_back(3); });
    queue.post([&] {
        ran.push_back(1);
        queue.post([&] { ran.push_back(2); });
    });
    EXPECT_EQ(queue.drain(), 2);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    EXPECT_EQ(queue.advance(1999ms), 0);
    EXPECT_EQ(queue.advance(1ms), 1);
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3}));
}

TEST(ManualMainQueue, ReceivesPostsFromOtherThreads)
{
    ManualMainQueue queue;
    int value = 0;
    std::jthread worker([&] { queue.post([&] { value = 42; }); });
    EXPECT_TRUE(queue.runUntil([&] { return value == 42; }));
}

TEST(EventLoop, RunsPostedWorkUntilQuit)
{
    EventLoop loop;
    std::vector<int> ran;
    loop.postAfter(0ms, [&] { ran.push_back(2); });
    loop.post([&] { ran.push_back(1); });
    std::jthread worker([&] { loop.post([&] { loop.postAfter(1ms, [&] { loop.quit(); }); }); });
    loop.run();
    worker.join();
    EXPECT_EQ(ran.front(), 1);
    EXPECT_EQ(ran.size(), 2u);
}
