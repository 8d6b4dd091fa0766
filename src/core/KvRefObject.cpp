#include <KvRefObject.h>

#include <KvActionQueue.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>

KV_TYPE_SOURCE(KvRefObject, "RefObject", KvObservedObject)

void KvRefObject::unref() const {
    if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) const_cast<KvRefObject*>(this)->destroy();
}

void KvRefObject::replace(KvRefObject* replacement, KvMapper* mapper) {
    bool queued;
    KvAction* action = new KvReplaceAction(this, replacement, mapper);
    action->ref();
    try {
        queued = broadcastAction(action, KvActionObject());
    } catch (...) {
        action->unref();
        throw;
    }
    action->unref();
    if (queued) KvActionQueue::process();
}

void KvRefObject::replaceSplit(KvMultiObject* multi, KvMapper* mapper) {
    bool queued;
    KvAction* action = new KvSplitAction(this, multi, mapper);
    action->ref();
    try {
        queued = broadcastAction(action, KvActionObject());
    } catch (...) {
        action->unref();
        throw;
    }
    action->unref();
    if (queued) KvActionQueue::process();
}
