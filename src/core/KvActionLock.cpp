#include <KvActionLock.h>

#include <KvActionQueue.h>

void KvActionLock::suspend() {
    if (suspended_) return;
    suspended_ = true;
    KvActionQueue::increaseLock();
}

bool KvActionLock::resume() {
    if (!suspended_) return false;
    suspended_ = false;
    return KvActionQueue::decreaseLock();
}
