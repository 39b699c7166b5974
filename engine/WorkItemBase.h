#pragma once

// A unit of work for CWorkQueue. The queue owns an item from Enqueue on: it calls Run once on a
// worker and then Discard to release it, or only Discard when the queue stops first.
class WorkItemBase {
public:
    virtual ~WorkItemBase() = default;
    // Carries out the work with the worker's per-thread value.
    virtual void Run(void* pThreadValue) = 0;
    // Releases the item.
    virtual void Discard() = 0;
};
