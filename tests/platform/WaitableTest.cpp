#include "platform/CManualResetEvent.h"
#include "platform/CSemaphore.h"
#include "platform/CThreadStarter.h"
#include "support/CTestLatch.h"

#include <atomic>
#include <gtest/gtest.h>
#include <optional>
#include <thread>
#include <vector>

namespace {

using Waitables = std::vector<CWaitable*>;

// The count a semaphore holds, taken out of it: each wait beside a signalled event that reports the
// semaphore took one count, and the first report of the event means the count is used up.
int DrainCount(CSemaphore& semaphore) {
    CManualResetEvent empty;
    empty.Set();
    const Waitables waitables{&semaphore, &empty};
    int nCount = 0;
    while (CWaitable::WaitForFirst(waitables) == 0u)
        ++nCount;
    return nCount;
}

TEST(SemaphoreTest, ReleaseBeyondTheMaximumOrOfNothingFailsAndKeepsTheCount) {
    CSemaphore semaphore(3);
    EXPECT_TRUE(semaphore.Release(2));
    EXPECT_FALSE(semaphore.Release(2));
    EXPECT_TRUE(semaphore.Release());
    EXPECT_FALSE(semaphore.Release());
    EXPECT_FALSE(semaphore.Release(0));
    EXPECT_FALSE(semaphore.Release(-1));
    EXPECT_EQ(DrainCount(semaphore), 3);
}

TEST(SemaphoreTest, CountNearTheLargestMaximumDoesNotOverflow) {
    CSemaphore semaphore(0x7FFFFFFF);
    EXPECT_TRUE(semaphore.Release(0x7FFFFFFE));
    EXPECT_FALSE(semaphore.Release(2));
    EXPECT_FALSE(semaphore.Release(0x7FFFFFFF));
    EXPECT_TRUE(semaphore.Release());
    EXPECT_FALSE(semaphore.Release());
}

TEST(WaitForFirstTest, ReportsTheLowestSignalledIndexAndTakesOnlyFromIt) {
    CManualResetEvent stop;
    CSemaphore work(10);
    ASSERT_TRUE(work.Release(2));
    stop.Set();

    EXPECT_EQ(CWaitable::WaitForFirst(Waitables{&stop, &work}), 0u);
    EXPECT_EQ(CWaitable::WaitForFirst(Waitables{&stop, &work}), 0u) << "an event stays signalled";
    EXPECT_EQ(CWaitable::WaitForFirst(Waitables{&work, &stop}), 0u);
    EXPECT_EQ(DrainCount(work), 1) << "only the wait that reported the semaphore may take a count";

    CSemaphore empty(1);
    ASSERT_TRUE(work.Release());
    EXPECT_EQ(CWaitable::WaitForFirst(Waitables{&empty, &work, &stop}), 1u);
    EXPECT_EQ(CWaitable::WaitForFirst(Waitables{&empty, &work, &stop}), 2u);
}

TEST(WaitForFirstTest, FailsWithoutWaitingOnAnEmptyListOrANullEntry) {
    CManualResetEvent event;
    EXPECT_EQ(CWaitable::WaitForFirst(Waitables{}), std::nullopt);
    EXPECT_EQ(CWaitable::WaitForFirst(Waitables{&event, nullptr}), std::nullopt);
}

TEST(WaitForFirstTest, TheSameWaitableTwiceInOneWaitDoesNotDeadlock) {
    CSemaphore semaphore(1);
    ASSERT_TRUE(semaphore.Release());
    EXPECT_EQ(CWaitable::WaitForFirst(Waitables{&semaphore, &semaphore}), 0u);
}

TEST(WaitForFirstTest, SleepingWaitEndsWhenAnotherThreadSignals) {
    CManualResetEvent stop;
    CSemaphore work(1);
    std::optional<std::size_t> reported;
    std::thread waiter([&] { reported = CWaitable::WaitForFirst(Waitables{&stop, &work}); });
    ASSERT_TRUE(work.Release());
    waiter.join();
    EXPECT_EQ(reported, 1u);
    EXPECT_EQ(DrainCount(work), 0);
}

TEST(WaitForFirstTest, EveryReleasedCountReachesExactlyOneOfManyWaiters) {
    // Consumers wait on overlapping sets listed in different orders; a lost wake-up hangs the test,
    // a count taken twice shows in the total.
    constexpr int kCounts = 20000;
    CManualResetEvent stop;
    CSemaphore first(kCounts);
    CSemaphore second(kCounts);
    std::atomic<int> nTaken = 0;
    CTestLatch allTaken(kCounts);
    std::vector<std::thread> consumers;
    for (int i = 0; i < 4; ++i) {
        consumers.emplace_back([&, i] {
            const Waitables waitables =
                i % 2 == 0 ? Waitables{&stop, &first, &second} : Waitables{&stop, &second, &first};
            while (CWaitable::WaitForFirst(waitables) != 0u) {
                ++nTaken;
                allTaken.count_down();
            }
        });
    }
    for (int i = 0; i < kCounts; ++i)
        ASSERT_TRUE((i % 2 == 0 ? first : second).Release());
    allTaken.wait();
    stop.Set();
    for (std::thread& consumer : consumers)
        consumer.join();

    EXPECT_EQ(nTaken, kCounts);
    EXPECT_EQ(DrainCount(first) + DrainCount(second), 0);
}

TEST(ManualResetEventTest, OneSetEndsEveryWaitingThread) {
    CManualResetEvent event;
    CTestLatch ended(3);
    std::vector<std::jthread> waiters;
    for (int i = 0; i < 3; ++i) {
        waiters.emplace_back([&] {
            CWaitable::WaitForFirst(Waitables{&event});
            ended.count_down();
        });
    }
    event.Set();
    ended.wait();
}

TEST(ThreadStarterTest, RefusesToReplaceARunningThread) {
    CThreadStarter starter;
    CTestLatch proceed(1);
    std::thread thread;
    ASSERT_TRUE(starter.Start([&] { proceed.wait(); }, thread));
    std::atomic<bool> bSecondRan = false;
    EXPECT_FALSE(starter.Start([&] { bSecondRan = true; }, thread));
    proceed.count_down();
    thread.join();
    EXPECT_FALSE(bSecondRan);
}

} // namespace
