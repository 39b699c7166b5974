#include "engine/CWorkQueue.h"

#include "engine/WorkItemBase.h"

namespace {

constexpr int kMaximumWorkCount = 0x7FFFFFFF;
// The semaphore's place in the worker's wait, behind the stop event.
constexpr std::size_t kWorkIndex = 1;

} // namespace

CWorkQueue::CWorkQueue() : CWorkQueue(std::make_unique<CThreadStarter>()) {}

CWorkQueue::CWorkQueue(std::unique_ptr<CThreadStarter> pThreadStarter)
    : m_pThreadStarter(pThreadStarter ? std::move(pThreadStarter) : std::make_unique<CThreadStarter>()) {}

CWorkQueue::~CWorkQueue() {
    Stop();
}

bool CWorkQueue::Start(unsigned nThreads, void** pThreadValues) {
    if (m_hStopEvent)
        return false;
    m_bStopRequested = false;
    m_hWorkSemaphore = std::make_unique<CSemaphore>(kMaximumWorkCount);
    m_hStopEvent = std::make_unique<CManualResetEvent>();
    {
        std::lock_guard lock(m_lock);
        m_pItems = std::make_unique<std::deque<WorkItemBase*>>();
    }
    for (unsigned i = 0; i < nThreads; ++i) {
        void* pThreadValue = pThreadValues ? pThreadValues[i] : nullptr;
        std::thread worker;
        if (!m_pThreadStarter->Start([this, pThreadValue] { WorkerLoop(pThreadValue); }, worker)) {
            Stop();
            return false;
        }
        m_hThreads.push_back(std::move(worker));
    }
    return true;
}

bool CWorkQueue::Enqueue(WorkItemBase* pItem) {
    {
        std::lock_guard lock(m_lock);
        if (m_pItems) {
            // The item is in the list before its count exists, so a worker that takes a count always
            // finds an item.
            m_pItems->push_back(pItem);
            return m_hWorkSemaphore->Release();
        }
    }
    if (pItem)
        pItem->Discard();
    return false;
}

void CWorkQueue::Stop() {
    if (!m_hStopEvent)
        return;
    m_hStopEvent->Set();
    m_bStopRequested = true;
    for (std::thread& worker : m_hThreads)
        worker.join();
    m_hThreads.clear();

    std::unique_ptr<std::deque<WorkItemBase*>> pItems;
    {
        std::lock_guard lock(m_lock);
        pItems = std::move(m_pItems);
    }
    for (WorkItemBase* pItem : *pItems) {
        if (pItem)
            pItem->Discard();
    }
    m_hStopEvent.reset();
    m_hWorkSemaphore.reset();
}

WorkItemBase* CWorkQueue::Dequeue() {
    std::lock_guard lock(m_lock);
    if (m_pItems->empty())
        return nullptr;
    WorkItemBase* pItem = m_pItems->front();
    m_pItems->pop_front();
    return pItem;
}

void CWorkQueue::WorkerLoop(void* pThreadValue) {
    // The wait reports the lowest signalled index, so a stop wins over waiting work. A stop, or a
    // wait that fails, ends the worker.
    CWaitable* const waitables[] = {m_hStopEvent.get(), m_hWorkSemaphore.get()};
    while (CWaitable::WaitForFirst(waitables) == kWorkIndex) {
        if (WorkItemBase* pItem = Dequeue()) {
            pItem->Run(pThreadValue);
            pItem->Discard();
        }
    }
}
