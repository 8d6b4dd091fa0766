#pragma once

#include <KvBaseExport.h>

class KvObject;

// Work that the application wants flushed after the action queue has
// delivered everything. The queue owns registered sub-queues.
class KV_BASE_EXPORT KvActionSubQueue {
public:
    KvActionSubQueue() = default;
    virtual ~KvActionSubQueue();
    // Delivers what the sub-queue holds.
    virtual void flush() = 0;
    // Non-zero while work remains (the queue then runs again).
    virtual int hasPending() = 0;
    // `obj` is being deleted: drop whatever the sub-queue still holds for it.
    // Called from the object's destructor, so it must not look at `obj`.
    virtual void clearTarget(KvObject*) {}

    bool isDoomed() const { return doomed_; }

protected:
    friend class KvActionQueue;
    void doom() { doomed_ = true; }

private:
    bool doomed_ = false;
};
