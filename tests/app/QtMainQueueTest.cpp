#include "app/QtMainQueue.h"

#include <QCoreApplication>
#include <QThread>
#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace varnholt::test {
namespace {

TEST(QtMainQueueTest, ClosuresPostedFromAnyThreadRunInOrderOnTheGuiThread)
{
    QtMainQueue queue;
    std::vector<int> order;
    std::vector<QThread*> threads;
    std::thread worker([&] {
        for (int i = 0; i < 3; ++i)
            queue.post([&, i] {
                order.push_back(i);
                threads.push_back(QThread::currentThread());
            });
    });
    worker.join();
    EXPECT_TRUE(order.empty()) << "nothing runs before the event loop does";

    QCoreApplication::processEvents();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    for (QThread* thread : threads)
        EXPECT_EQ(thread, QCoreApplication::instance()->thread());
}

TEST(QtMainQueueTest, DelayedClosuresRunFromTheEventLoopAndNotAfterTheQueueIsGone)
{
    bool ran = false;
    {
        QtMainQueue queue;
        std::thread([&] { queue.postAfter(std::chrono::milliseconds(0), [&] { ran = true; }); }).join();
        EXPECT_FALSE(ran);
        QCoreApplication::processEvents(); // moves the closure to a timer on this thread
        QCoreApplication::processEvents(); // the timer fires
        EXPECT_TRUE(ran);

        ran = false;
        queue.post([&] { ran = true; });
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(ran);
}

} // namespace
} // namespace varnholt::test
