#pragma once

#include <KvBaseExport.h>

// Suspends delivery for the length of a compound operation: observers see its
// changes only when the last lock is released. Not a mutual exclusion.
class KV_BASE_EXPORT KvActionLock {
public:
    KvActionLock() { suspend(); }
    ~KvActionLock() { resume(); }
    KvActionLock(const KvActionLock&) = delete;
    KvActionLock& operator=(const KvActionLock&) = delete;

    void suspend();
    // True only when this released the last lock (and so ran the queue).
    bool resume();
    bool isSuspended() const { return suspended_; }

private:
    bool suspended_ = false;
};
