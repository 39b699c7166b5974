#include "engine/CWorkQueue.h"
#include "engine/WorkItemBase.h"
#include "support/AtOnce.h"
#include "support/CTestLatch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

using ::testing::ElementsAre;
using ::testing::UnorderedElementsAre;

namespace {

enum class EEvent { Ran, Released };

struct SEntry {
    int iId;
    EEvent event;
    void* pThreadValue;
    std::thread::id thread;
};

// What happened to the test's items, in order, from every thread; also counts the items alive.
class CItemJournal final {
public:
    void Record(int iId, EEvent event, void* pThreadValue = nullptr) {
        std::lock_guard lock(m_mutex);
        m_entries.push_back({iId, event, pThreadValue, std::this_thread::get_id()});
        m_changed.notify_all();
    }
    void WaitForReleases(std::size_t nReleases) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return CountLocked(EEvent::Released) >= nReleases; });
    }
    std::vector<SEntry> Entries() const {
        std::lock_guard lock(m_mutex);
        return m_entries;
    }
    std::vector<int> Ids(EEvent event) const {
        std::vector<int> ids;
        for (const SEntry& entry : Entries()) {
            if (entry.event == event)
                ids.push_back(entry.iId);
        }
        return ids;
    }
    std::map<int, int> ReleasesPerItem() const {
        std::map<int, int> releases;
        for (int iId : Ids(EEvent::Released))
            ++releases[iId];
        return releases;
    }

    std::atomic<int> m_nAlive = 0;

private:
    std::size_t CountLocked(EEvent event) const {
        return static_cast<std::size_t>(
            std::ranges::count(m_entries, event, [](const SEntry& entry) { return entry.event; }));
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<SEntry> m_entries;
};

// An item that reports its run and its release and frees itself on release, as a real job does.
class CJournalItem : public WorkItemBase {
public:
    CJournalItem(CItemJournal& journal, int iId) : m_journal(journal), m_iId(iId) { ++m_journal.m_nAlive; }
    ~CJournalItem() override { --m_journal.m_nAlive; }
    void Run(void* pThreadValue) override {
        m_journal.Record(m_iId, EEvent::Ran, pThreadValue);
        OnRun();
    }
    void Discard() override {
        m_journal.Record(m_iId, EEvent::Released);
        delete this;
    }

protected:
    virtual void OnRun() {}

private:
    CItemJournal& m_journal;
    const int m_iId;
};

// Holds its worker until the test lets it go.
class CBlockingItem final : public CJournalItem {
public:
    CBlockingItem(CItemJournal& journal, int iId, CTestLatch& started, CTestLatch& proceed)
        : CJournalItem(journal, iId), m_started(started), m_proceed(proceed) {}

private:
    void OnRun() override {
        m_started.count_down();
        m_proceed.wait();
    }

    CTestLatch& m_started;
    CTestLatch& m_proceed;
};

// Starts real threads, refuses the given call (1-based) and notes when each started thread ends.
class CCountingThreadStarter final : public CThreadStarter {
public:
    explicit CCountingThreadStarter(int iRefusedCall = 0) : m_iRefusedCall(iRefusedCall) {}
    bool Start(std::function<void()> fnBody, std::thread& thread) override {
        if (++m_nCalls == m_iRefusedCall)
            return false;
        return CThreadStarter::Start(
            [this, fnBody = std::move(fnBody)] {
                fnBody();
                ++m_nEnded;
            },
            thread);
    }

    std::atomic<int> m_nCalls = 0;
    std::atomic<int> m_nEnded = 0;

private:
    const int m_iRefusedCall;
};

class WorkQueueTest : public ::testing::Test {
protected:
    CJournalItem* NewItem(int iId) { return new CJournalItem(m_journal, iId); }
    // Queues an item that occupies a worker and waits until it runs.
    void OccupyWorker(CWorkQueue& queue, int iId) {
        ASSERT_TRUE(queue.Enqueue(new CBlockingItem(m_journal, iId, m_started, m_proceed)));
        m_started.wait();
    }
    void TearDown() override { EXPECT_EQ(m_journal.m_nAlive, 0) << "an item was never released"; }

    CItemJournal m_journal;
    CTestLatch m_started{1};
    CTestLatch m_proceed{1};
};

TEST_F(WorkQueueTest, OneWorkerWithoutValuesRunsEveryItemWithNullOnOneOtherThread) {
    CWorkQueue queue;
    ASSERT_TRUE(queue.Start(1));
    for (int iId = 1; iId <= 3; ++iId)
        EXPECT_TRUE(queue.Enqueue(NewItem(iId)));
    m_journal.WaitForReleases(3);
    queue.Stop();

    std::set<std::thread::id> threads;
    for (const SEntry& entry : m_journal.Entries()) {
        if (entry.event == EEvent::Ran) {
            EXPECT_EQ(entry.pThreadValue, nullptr);
            threads.insert(entry.thread);
        }
    }
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(*threads.begin(), std::this_thread::get_id());
}

TEST_F(WorkQueueTest, EachWorkerGetsItsOwnValue) {
    int first = 0;
    int second = 0;
    void* values[] = {&first, &second};
    CWorkQueue queue;
    ASSERT_TRUE(queue.Start(2, values));
    // Two items that wait for each other can only finish on two different workers.
    CTestLatch bothRunning(2);
    CTestLatch proceed(1);
    ASSERT_TRUE(queue.Enqueue(new CBlockingItem(m_journal, 1, bothRunning, proceed)));
    ASSERT_TRUE(queue.Enqueue(new CBlockingItem(m_journal, 2, bothRunning, proceed)));
    bothRunning.wait();
    proceed.count_down();
    m_journal.WaitForReleases(2);
    queue.Stop();

    std::vector<void*> received;
    for (const SEntry& entry : m_journal.Entries()) {
        if (entry.event == EEvent::Ran)
            received.push_back(entry.pThreadValue);
    }
    EXPECT_THAT(received, UnorderedElementsAre(&first, &second));
}

TEST_F(WorkQueueTest, ItemsQueuedBehindABusyWorkerRunInQueueOrder) {
    CWorkQueue queue;
    ASSERT_TRUE(queue.Start(1));
    OccupyWorker(queue, 0);
    for (int iId = 1; iId <= 5; ++iId)
        ASSERT_TRUE(queue.Enqueue(NewItem(iId)));
    m_proceed.count_down();
    m_journal.WaitForReleases(6);
    queue.Stop();

    EXPECT_THAT(m_journal.Ids(EEvent::Ran), ElementsAre(0, 1, 2, 3, 4, 5));
}

TEST_F(WorkQueueTest, NullItemIsConsumedWithoutEffectAndTheNextItemRuns) {
    CWorkQueue queue;
    ASSERT_TRUE(queue.Start(1));
    OccupyWorker(queue, 0);
    EXPECT_TRUE(queue.Enqueue(nullptr));
    ASSERT_TRUE(queue.Enqueue(NewItem(1)));
    m_proceed.count_down();
    m_journal.WaitForReleases(2);
    queue.Stop();

    EXPECT_THAT(m_journal.Ids(EEvent::Ran), ElementsAre(0, 1));
}

TEST_F(WorkQueueTest, EveryItemIsReleasedExactlyOnceAfterItsOnlyRun) {
    constexpr int kItems = 2000;
    CWorkQueue queue;
    ASSERT_TRUE(queue.Start(4));
    std::thread otherProducer([&] {
        for (int iId = kItems / 2; iId < kItems; ++iId)
            queue.Enqueue(NewItem(iId));
    });
    for (int iId = 0; iId < kItems / 2; ++iId)
        queue.Enqueue(NewItem(iId));
    otherProducer.join();
    m_journal.WaitForReleases(kItems);
    queue.Stop();

    const std::map<int, int> releases = m_journal.ReleasesPerItem();
    EXPECT_EQ(releases.size(), static_cast<std::size_t>(kItems));
    for (const auto& [iId, nReleases] : releases)
        EXPECT_EQ(nReleases, 1) << "item " << iId;
    EXPECT_EQ(m_journal.Ids(EEvent::Ran).size(), static_cast<std::size_t>(kItems));
    // A release never comes before the item's run ends.
    std::set<int> ran;
    for (const SEntry& entry : m_journal.Entries()) {
        if (entry.event == EEvent::Ran)
            ran.insert(entry.iId);
        else
            EXPECT_TRUE(ran.contains(entry.iId)) << "item " << entry.iId << " released before it ran";
    }
}

class WorkQueueStopTest : public WorkQueueTest {};

TEST_F(WorkQueueStopTest, RunningItemCompletesAndQueuedOnesAreDiscardedFrontFirstWithoutRunning) {
    CWorkQueue queue;
    ASSERT_TRUE(queue.Start(1));
    OccupyWorker(queue, 0);
    for (int iId = 1; iId <= 3; ++iId)
        ASSERT_TRUE(queue.Enqueue(NewItem(iId)));

    std::thread stopper([&] { queue.Stop(); });
    while (!queue.IsStopRequested())
        std::this_thread::yield();
    m_proceed.count_down();
    stopper.join();

    EXPECT_THAT(m_journal.Ids(EEvent::Ran), ElementsAre(0));
    EXPECT_THAT(m_journal.Ids(EEvent::Released), ElementsAre(0, 1, 2, 3));
}

TEST_F(WorkQueueStopTest, IdleWorkersEndPromptly) {
    CWorkQueue queue;
    ASSERT_TRUE(queue.Start(3));
    const auto start = std::chrono::steady_clock::now();
    queue.Stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, kAtOnce);
}

TEST_F(WorkQueueStopTest, IsHarmlessTwiceAndOnAQueueThatNeverStarted) {
    CWorkQueue neverStarted;
    neverStarted.Stop();
    neverStarted.Stop();

    CWorkQueue queue;
    ASSERT_TRUE(queue.Start(2));
    queue.Stop();
    queue.Stop();
}

TEST_F(WorkQueueStopTest, WithoutWorkersEveryQueuedItemIsDiscardedInOrder) {
    CWorkQueue queue;
    ASSERT_TRUE(queue.Start(0));
    ASSERT_TRUE(queue.Enqueue(NewItem(1)));
    ASSERT_TRUE(queue.Enqueue(nullptr));
    ASSERT_TRUE(queue.Enqueue(NewItem(2)));
    queue.Stop();

    EXPECT_THAT(m_journal.Ids(EEvent::Ran), ::testing::IsEmpty());
    EXPECT_THAT(m_journal.Ids(EEvent::Released), ElementsAre(1, 2));
}

TEST_F(WorkQueueStopTest, DestructorStopsAQueueItsOwnerForgot) {
    {
        CWorkQueue queue;
        ASSERT_TRUE(queue.Start(2));
        ASSERT_TRUE(queue.Enqueue(NewItem(1)));
        m_journal.WaitForReleases(1);
    }
    {
        CWorkQueue queue;
        ASSERT_TRUE(queue.Start(0));
        ASSERT_TRUE(queue.Enqueue(NewItem(2)));
        ASSERT_TRUE(queue.Enqueue(NewItem(3)));
    }
    EXPECT_THAT(m_journal.Ids(EEvent::Ran), ElementsAre(1));
    EXPECT_THAT(m_journal.Ids(EEvent::Released), ElementsAre(1, 2, 3));
}

TEST_F(WorkQueueStopTest, AStoppedQueueRefusesAndReleasesNewItems) {
    CWorkQueue neverStarted;
    EXPECT_FALSE(neverStarted.Enqueue(NewItem(1)));

    CWorkQueue queue;
    ASSERT_TRUE(queue.Start(1));
    queue.Stop();
    EXPECT_FALSE(queue.Enqueue(NewItem(2)));
    EXPECT_FALSE(queue.Enqueue(nullptr));

    EXPECT_THAT(m_journal.Ids(EEvent::Ran), ::testing::IsEmpty());
    EXPECT_THAT(m_journal.Ids(EEvent::Released), ElementsAre(1, 2));
}

class WorkQueueStartTest : public WorkQueueTest {};

TEST_F(WorkQueueStartTest, FailedSecondOfThreeThreadsStopsTheFirstAndLeavesTheQueueUnstarted) {
    auto* pStarter = new CCountingThreadStarter(2);
    CWorkQueue queue{std::unique_ptr<CThreadStarter>(pStarter)};

    EXPECT_FALSE(queue.Start(3));
    EXPECT_EQ(pStarter->m_nCalls, 2) << "a third thread was tried after the second failed";
    EXPECT_EQ(pStarter->m_nEnded, 1) << "the first worker was not stopped and joined";
    EXPECT_FALSE(queue.Enqueue(NewItem(1))) << "the failed start left a queue that takes items";

    // As if never started: a second start works and runs items.
    ASSERT_TRUE(queue.Start(3));
    ASSERT_TRUE(queue.Enqueue(NewItem(2)));
    m_journal.WaitForReleases(2);
    queue.Stop();
    EXPECT_EQ(pStarter->m_nEnded, 4);
    EXPECT_THAT(m_journal.Ids(EEvent::Ran), ElementsAre(2));
}

TEST_F(WorkQueueStartTest, SecondStartOfARunningQueueFailsAndKeepsItRunning) {
    auto* pStarter = new CCountingThreadStarter;
    CWorkQueue queue{std::unique_ptr<CThreadStarter>(pStarter)};
    ASSERT_TRUE(queue.Start(1));

    EXPECT_FALSE(queue.Start(1));
    EXPECT_EQ(pStarter->m_nCalls, 1);
    ASSERT_TRUE(queue.Enqueue(NewItem(1)));
    m_journal.WaitForReleases(1);
    queue.Stop();
    EXPECT_THAT(m_journal.Ids(EEvent::Ran), ElementsAre(1));
}

} // namespace
