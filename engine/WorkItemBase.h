#pragma once

// A unit of work for CWorkQueue. The queue owns an item from Enqueue on and calls Discard exactly
// once: after the item's only Run on a worker, or without a run when the queue stops first or is not
// running.
class WorkItemBase {
public:
    virtual ~WorkItemBase() = default;
    // Carries out the work with the worker's per-thread value.
    virtual void Run(void* pThreadValue) = 0;
    // Releases the item.
    virtual void Discard() = 0;
};
