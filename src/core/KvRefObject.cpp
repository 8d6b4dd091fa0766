#include <KvRefObject.h>

#include <KvActionQueue.h>
#include <KvActionRef.h>
#include <KvConstRefObjectArray1.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>

KV_TYPE_SOURCE(KvRefObject, "RefObject", KvObservedObject)

// Broadcasts `action` to every observer (no originator) and runs the queue
// when anyone was given it.
void KvRefObject::announce(KvAction* action) {
    bool queued;
    {
        KvActionRef hold(action);
        queued = broadcastAction(action, KvActionObject());
    }
    if (queued) KvActionQueue::process();
}

void KvRefObject::replace(KvRefObject* replacement, KvMapper* mapper) {
    announce(new KvReplaceAction(this, replacement, mapper));
}

void KvRefObject::replaceSplit(KvMultiObject* multi, KvMapper* mapper) {
    announce(new KvSplitAction(this, multi, mapper));
}

void KvRefObject::ensureObserver(const KvConstRefObjectArray1& objects) {
    for (const KvRefObject* e : objects)
        if (e) e->addObserver(this);
}

// Only the first copy of `obj` in `objects` starts the observation.
void KvRefObject::ensureObserver(const KvConstRefObjectArray1& objects, const KvRefObject* obj) {
    if (obj && objects.count(obj) == 1) obj->addObserver(this);
}

void KvRefObject::clearObserver(const KvConstRefObjectArray1& objects) {
    for (const KvRefObject* e : objects)
        if (e) e->removeObserver(this);
}

// Only the removal of the last copy of `obj` ends the observation.
void KvRefObject::clearObserver(const KvConstRefObjectArray1& objects, const KvRefObject* obj) {
    if (obj && objects.count(obj) == 1) obj->removeObserver(this);
}
