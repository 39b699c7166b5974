#pragma once

#include "platform/CManualResetEvent.h"
#include "platform/CSemaphore.h"
#include "platform/CThreadStarter.h"

#include <atomic>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class WorkItemBase;

// A pool of worker threads fed from a first-in, first-out list of work items. Each item runs once on
// one worker, which then releases it with Discard; items still queued when the queue stops are only
// discarded.
//
// Thread safety: Start and Stop belong to the owner's thread; Enqueue may be called from any thread.
// m_lock guards m_pItems (the pointer and the list). The stop event, the semaphore and the threads
// are made by Start before any worker runs and freed by Stop after every worker has ended.
class CWorkQueue {
public:
    CWorkQueue();
    // Starts its threads through pThreadStarter (a plain one when null).
    explicit CWorkQueue(std::unique_ptr<CThreadStarter> pThreadStarter);
    // Stops the workers if the owner has not done so, so that no thread outlives the queue.
    virtual ~CWorkQueue();
    CWorkQueue(const CWorkQueue&) = delete;
    CWorkQueue& operator=(const CWorkQueue&) = delete;

    // Starts nThreads workers; worker i gets pThreadValues[i], or null when pThreadValues is null.
    // False when the queue is already running or a thread cannot be started; then the workers that
    // did start are stopped and the queue is as if never started.
    bool Start(unsigned nThreads, void** pThreadValues = nullptr);
    // Takes ownership of pItem (which may be null) and appends it. True when a worker will take it;
    // false when the work count is at its maximum (the item waits in the list until Stop) or the queue
    // is not running (the item is discarded at once).
    bool Enqueue(WorkItemBase* pItem);
    // Signals the workers to end, lets a running item finish, waits for every worker and discards the
    // items still queued, front first. Does nothing on a queue that is not running.
    void Stop();
    // True once Stop has signalled the workers, until the next Start; a long item may ask it to end
    // early.
    bool IsStopRequested() const { return m_bStopRequested; }

private:
    // The front item, removed from the list; null when the list is empty.
    WorkItemBase* Dequeue();
    void WorkerLoop(void* pThreadValue);

    std::unique_ptr<CThreadStarter> m_pThreadStarter;
    std::vector<std::thread> m_hThreads;
    std::unique_ptr<CManualResetEvent> m_hStopEvent;
    std::unique_ptr<CSemaphore> m_hWorkSemaphore;
    std::atomic<bool> m_bStopRequested = false;
    std::mutex m_lock;
    std::unique_ptr<std::deque<WorkItemBase*>> m_pItems;
};
