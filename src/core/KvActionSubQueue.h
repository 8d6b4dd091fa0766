#pragma once

#include <KvBaseExport.h>

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

    bool isDoomed() const { return doomed_; }

protected:
    friend class KvActionQueue;
    void doom() { doomed_ = true; }

private:
    bool doomed_ = false;
};
