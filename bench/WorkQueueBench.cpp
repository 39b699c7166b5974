// CWorkQueue against a plain queue of the same items behind one mutex and one condition variable,
// with one worker each, as the program runs it. Two loads: a burst of items queued at once and run
// through, and items handed over one at a time, each waited for before the next (how the program's
// timer feeds its checks). Both queues run alternately inside one loop; medians give the ratio.
#include "BenchTiming.h"
#include "engine/CWorkQueue.h"
#include "engine/WorkItemBase.h"

#include <algorithm>
#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace {

using bench::Clock;
using bench::Median;
using bench::SecondsSince;

// Counts down when run, and wakes whoever waits for the count to reach zero.
class CCountingItem final : public WorkItemBase {
public:
    explicit CCountingItem(std::atomic<long>& remaining) : m_remaining(remaining) {}
    void Run(void*) override {
        if (m_remaining.fetch_sub(1) == 1)
            m_remaining.notify_all();
    }
    void Discard() override { delete this; }

private:
    std::atomic<long>& m_remaining;
};

void WaitUntilRun(std::atomic<long>& remaining) {
    for (long left = remaining.load(); left != 0; left = remaining.load())
        remaining.wait(left);
}

// The yardstick: a deque, a mutex and a condition variable, nothing else.
class CPlainQueue final {
public:
    CPlainQueue() : m_worker([this] { WorkerLoop(); }) {}
    ~CPlainQueue() {
        {
            std::lock_guard lock(m_mutex);
            m_bStop = true;
        }
        m_wakeUp.notify_one();
        m_worker.join();
    }
    void Enqueue(WorkItemBase* pItem) {
        {
            std::lock_guard lock(m_mutex);
            m_items.push_back(pItem);
        }
        m_wakeUp.notify_one();
    }

private:
    void WorkerLoop() {
        std::unique_lock lock(m_mutex);
        while (true) {
            m_wakeUp.wait(lock, [this] { return m_bStop || !m_items.empty(); });
            if (m_bStop)
                return;
            WorkItemBase* pItem = m_items.front();
            m_items.pop_front();
            lock.unlock();
            pItem->Run(nullptr);
            pItem->Discard();
            lock.lock();
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_wakeUp;
    std::deque<WorkItemBase*> m_items;
    bool m_bStop = false;
    std::thread m_worker;
};

// Seconds to run `count` items through the queue: all at once, or one at a time.
template <typename Queue> double TimeItems(Queue& queue, long count, bool oneAtATime) {
    std::atomic<long> remaining(oneAtATime ? 1 : count);
    const Clock::time_point start = Clock::now();
    for (long i = 0; i < count; ++i) {
        if (oneAtATime)
            remaining = 1;
        queue.Enqueue(new CCountingItem(remaining));
        if (oneAtATime)
            WaitUntilRun(remaining);
    }
    WaitUntilRun(remaining);
    return SecondsSince(start);
}

void QueueAgainstPlainQueue(benchmark::State& state) {
    const long count = state.range(0);
    const bool oneAtATime = state.range(1) != 0;
    CWorkQueue workQueue;
    if (!workQueue.Start(1)) {
        state.SkipWithError("the work queue did not start");
        return;
    }
    CPlainQueue plainQueue;
    std::vector<double> workQueueSeconds;
    std::vector<double> plainSeconds;
    for (auto _ : state) {
        workQueueSeconds.push_back(TimeItems(workQueue, count, oneAtATime));
        plainSeconds.push_back(TimeItems(plainQueue, count, oneAtATime));
    }
    workQueue.Stop();
    state.counters["workqueue_items_per_s"] = count / Median(workQueueSeconds);
    state.counters["plain_items_per_s"] = count / Median(plainSeconds);
    state.counters["throughput_ratio"] = Median(plainSeconds) / Median(workQueueSeconds);
}

} // namespace

// {items, one at a time}
BENCHMARK(QueueAgainstPlainQueue)
    ->ArgNames({"items", "one_at_a_time"})
    ->Args({200000, 0})
    ->Args({20000, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(15);

BENCHMARK_MAIN();
