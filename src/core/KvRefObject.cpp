#include <KvRefObject.h>

#include <KvActionQueue.h>
#include <KvActionRef.h>
#include <KvConstRefObjectArray1.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvTypes.h>

KV_TYPE_SOURCE(KvRefObject, "RefObject", KvObservedObject)

void kv::detail::warnUnrefWithoutReference(const KvGenre* obj, int before) {
    const KvString type = obj ? obj->getTypeId().getName() : KvString("DelayedFunction");
    KvTypes::postWarningMsg(type + ": unref() with a reference count of " + KvString::number(before) +
                            ": a reference was released twice or never taken");
}

// Only the base is left here, so the type cannot be named; the count and the
// way the object went say what happened.
KvRefObject::~KvRefObject() {
    refObject_ = false;  // what is left of the object is no reference object
    if (isDeletedByQueue()) return;
    const int count = getRefCount();
    if (count != 0)
        KvTypes::postWarningMsg(KvString("A reference object was deleted directly while ") + KvString::number(count) +
                                " references to it remained: release them and let the last one destroy it");
    else if (isDying())
        KvTypes::postWarningMsg(
            KvString("A reference object was deleted directly after destroy(): the action queue deletes it"));
}

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
