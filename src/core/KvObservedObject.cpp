#include <KvObservedObject.h>

#include <KvActionQueue.h>
#include <KvActionRef.h>
#include <KvCosmeticAction.h>
#include <KvDeleteAction.h>
#include <KvMapper.h>
#include <KvObjectListIterator.h>
#include <KvPurgeAction.h>
#include <KvRefObject.h>
#include <KvRefPtr.h>
#include <KvTypes.h>
#include <KvUndo.h>
#include <KvUndoRefObject.h>
#include <KvUpdateAction.h>

KV_TYPE_SOURCE(KvObservedObject, "ObservedObject", KvObject)

KvObservedObject::~KvObservedObject() {
    KvObjectListIterator it(&observers_);
    const bool stale = KvStaleObservers::any();
    for (it.first(); !it.isDone(); it.next()) {
        KvObject* observer = it.currentItem();
        if (stale && KvStaleObservers::isStale(observer))
            KvStaleObservers::dropped(observer);
        else
            --observer->observing_;
    }
    observers_.clear();
    if (doomQueued_) KvActionQueue::clearDoomTarget(this);
}

bool KvObservedObject::addObserver(KvObject* obj) const {
    if (!obj || obj == this) return false;
    if (!observers_.append(obj)) return false;
    ++obj->observing_;
    return true;
}

void KvObservedObject::removeObserver(KvObject* obj) const {
    const size_t before = observers_.getLength();
    observers_.remove(obj);
    if (observers_.getLength() != before) --obj->observing_;
}

void KvObservedObject::dropStale() const {
    KvObjectListIterator it(&observers_);
    for (it.first(); !it.isDone();) {
        KvObject* observer = it.currentItem();
        if (KvStaleObservers::isStale(observer)) {
            observers_.remove(it);
            KvStaleObservers::dropped(observer);
        } else {
            it.next();
        }
    }
}

bool KvObservedObject::broadcastAction(KvAction* action, KvActionObject originator) {
    dropStaleObservers();
    // Queueing runs no observer code, so the list cannot change under us.
    return KvActionQueue::addForEach(observers_, action, originator);
}

void KvObservedObject::notifyObservers(KvAction* action, KvActionObject originator) {
    // One observer, the common case: no walk, and the queue may deliver at
    // once. Kept free of clean-ups so that it compiles to a few tests and a
    // tail call.
    if (!dying_ && observers_.getLength() == 1 && !KvStaleObservers::any()) {
        KvObjectListIterator it(&observers_);
        it.first();
        KvObject* observer = it.currentItem();
        if (!originator.isEqual(observer)) return KvActionQueue::addAndProcess(observer, action);
    }
    notifyMany(action, originator);
}

void KvObservedObject::notifyMany(KvAction* action, KvActionObject originator) {
    bool queued = false;
    {
        KvActionRef hold(action);  // a fresh action nobody is told of goes
        if (!dying_) queued = broadcastAction(action, originator);
    }
    if (queued) KvActionQueue::process();
}

void KvObservedObject::tellNonUndoObservers(KvObservedObject* obj, KvAction* given, KvActionObject originator) {
    KvActionRef action(given);
    obj->dropStaleObservers();
    KvObjectListIterator it(&obj->observers_);
    for (it.first(); !it.isDone(); it.next()) {
        KvObject* observer = it.currentItem();
        if (originator.isEqual(observer) || observer->canUndo()) continue;
        if (!action) action = new KvUpdateAction(obj, nullptr);
        KvActionQueue::add(observer, action.get());
    }
    KvActionQueue::process();
}

void KvObservedObject::dispatch(KvAction* action, KvActionObject originator) {
    if (KvUndo::isRestoring())
        notifyNonUndoObservers(action, originator);
    else
        notifyObservers(action, originator);
}

void KvObservedObject::updateObservers(const KvMapper* mapper, KvActionObject originator) {
    KvRefPtr<const KvMapper> hold(mapper);
    if (dying_) return;
    preNotification();
    if (getNumObservers() > 0) dispatch(new KvUpdateAction(this, mapper), originator);
}

void KvObservedObject::updateObservers(KvActionObject originator) { updateObservers(nullptr, originator); }

void KvObservedObject::sendCosmeticUpdate(KvActionObject originator) {
    if (dying_ || getNumObservers() == 0) return;
    dispatch(new KvCosmeticAction(this), originator);
}

void KvObservedObject::notifyPurge() {
    if (getNumObservers() > 0) {
        KvActionRef hold(new KvPurgeAction(this));
        broadcastAction(hold.get(), KvActionObject());
    }
    {
        KvActionRef hold(new KvDeleteAction(this));
        KvActionQueue::add(this, hold.get());
    }
    KvActionQueue::process();
}

void KvObservedObject::handleDeleteAction(KvDeleteAction*) {
    deletedByQueue_ = true;
    // Each delete entry still queued for it holds a reference, as did the one
    // being delivered; any reference beyond those is someone else's, left
    // dangling now (deleteLater of a held object, or destroy() of one, also by
    // undo).
    int count = -1;
    if (KvRefObject* r = castToRefObject())
        count = r->getRefCount();
    else if (KvUndoRefObject* u = castToUndoRefObject())
        count = u->getRefCount();
    const int held = count - 1 - static_cast<int>(doomQueued_);
    if (count >= 0 && held > 0)
        KvTypes::postWarningMsg(getTypeId().getName() + ": deleted while " + KvString::number(held) +
                                " references to it remain; hold a KvUndoReference, or let go on its purge");
    delete this;
}

void KvObservedObject::destroy() {
    if (dying_) return;
    preDestroy();
    dying_ = true;
    notifyPurge();
}
