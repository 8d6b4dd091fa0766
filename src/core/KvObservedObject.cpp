#include <KvObservedObject.h>

#include <KvActionQueue.h>
#include <KvActionRef.h>
#include <KvCosmeticAction.h>
#include <KvDeleteAction.h>
#include <KvMapper.h>
#include <KvObjectListIterator.h>
#include <KvPurgeAction.h>
#include <KvRefPtr.h>
#include <KvUndo.h>
#include <KvUpdateAction.h>

KV_TYPE_SOURCE(KvObservedObject, "ObservedObject", KvObject)

KvObservedObject::~KvObservedObject() {
    observers_.clear();
    if (doomQueued_) KvActionQueue::clearDoomTarget(this);
}

bool KvObservedObject::addObserver(KvObject* obj) const {
    if (!obj || obj == this) return false;
    return observers_.append(obj);
}

void KvObservedObject::removeObserver(KvObject* obj) const { observers_.remove(obj); }

bool KvObservedObject::broadcastAction(KvAction* action, KvActionObject originator) {
    bool queued = false;
    // Queueing runs no observer code, so the list cannot change under us.
    KvObjectListIterator it(&observers_);
    for (it.first(); !it.isDone(); it.next()) {
        KvObject* observer = it.currentItem();
        if (originator.isEqual(observer)) continue;
        KvActionQueue::add(observer, action);
        queued = true;
    }
    return queued;
}

void KvObservedObject::notifyObservers(KvAction* action, KvActionObject originator) {
    bool queued = false;
    {
        KvActionRef hold(action);
        if (!dying_) queued = broadcastAction(action, originator);
    }
    if (queued) KvActionQueue::process();
}

void KvObservedObject::tellNonUndoObservers(KvObservedObject* obj, KvAction* given, KvActionObject originator) {
    KvActionRef action(given);
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

void KvObservedObject::handleDeleteAction(KvDeleteAction*) { delete this; }

void KvObservedObject::destroy() {
    if (dying_) return;
    preDestroy();
    dying_ = true;
    notifyPurge();
}
