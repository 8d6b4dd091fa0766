#include <KvRefObject.h>

#include <KvActionQueue.h>
#include <KvConstRefObjectArray1.h>
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

void KvRefObject::ensureObserver(const KvConstRefObjectArray1& objects) {
    for (const KvConstRefPtr<KvRefObject>& e : objects)
        if (e) e->addObserver(this);
}

// Only the first copy of `obj` in `objects` starts the observation.
void KvRefObject::ensureObserver(const KvConstRefObjectArray1& objects, const KvRefObject* obj) {
    if (obj && objects.count(obj) == 1) obj->addObserver(this);
}

void KvRefObject::clearObserver(const KvConstRefObjectArray1& objects) {
    for (const KvConstRefPtr<KvRefObject>& e : objects)
        if (e) e->removeObserver(this);
}

// Only the removal of the last copy of `obj` ends the observation.
void KvRefObject::clearObserver(const KvConstRefObjectArray1& objects, const KvRefObject* obj) {
    if (obj && objects.count(obj) == 1) obj->removeObserver(this);
}
