#include <KvObservedObject.h>

#include <KvActionQueue.h>
#include <KvActionRef.h>
#include <KvCosmeticAction.h>
#include <KvDeleteAction.h>
#include <KvExcept.h>
#include <KvMapper.h>
#include <KvObserverIterator.h>
#include <KvPurgeAction.h>
#include <KvUndo.h>
#include <KvUpdateAction.h>

KV_TYPE_SOURCE(KvObservedObject, "ObservedObject", KvObject)

namespace {
struct MapperRef {
    explicit MapperRef(const KvMapper* m) : mapper(m) {
        if (mapper) mapper->ref();
    }
    ~MapperRef() {
        if (mapper) mapper->unref();
    }
    const KvMapper* mapper;
};
}  // namespace

KvObservedObject::~KvObservedObject() { observers_.clear(); }

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

void KvObservedObject::notifyNonUndoObservers(KvAction* action, KvActionObject originator) {
    KvActionRef hold(action);
    {
        KvObserverIterator it(this);
        for (it.first(); !it.isDone(); it.next()) {
            KvObject* observer = it.getCurrent();
            if (originator.isEqual(observer) || observer->canUndo()) continue;
            KvActionQueue::add(observer, action);
        }
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
    MapperRef hold(mapper);
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
        broadcastAction(hold.action, KvActionObject());
    }
    {
        KvActionRef hold(new KvDeleteAction(this));
        KvActionQueue::add(this, hold.action);
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
