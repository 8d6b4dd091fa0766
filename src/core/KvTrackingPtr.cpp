#include <KvTrackingPtr.h>

#include <KvJoinAction.h>
#include <KvMultiObject.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUpdateAction.h>

KV_TYPE_SOURCE(KvTrackingPtr, "TrackingPtr", KvObject)

KvTrackingPtr::KvTrackingPtr(KvTrackingPtr&& o) : KvObject(o) {
    KvRefObject* obj = o.object_.get();
    setObject(obj);
    o.setObject(nullptr);
}

KvTrackingPtr::~KvTrackingPtr() { setObject(nullptr); }

KvTrackingPtr& KvTrackingPtr::operator=(const KvTrackingPtr& o) {
    setObject(const_cast<KvRefObject*>(o.object_.get()));
    return *this;
}

KvTrackingPtr& KvTrackingPtr::operator=(KvTrackingPtr&& o) {
    if (this != &o) {
        setObject(o.object_.get());
        o.setObject(nullptr);
    }
    return *this;
}

KvTrackingPtr& KvTrackingPtr::operator=(KvRefObject* obj) {
    setObject(obj);
    return *this;
}

void KvTrackingPtr::setObject(KvRefObject* obj) {
    if (obj == object_.get()) return;
    if (object_) object_->removeObserver(this);
    object_ = obj;
    if (obj) obj->addObserver(this);
}

bool KvTrackingPtr::tracksSourceOf(KvAction* action) const {
    KvObservedObject* source = action->getSource();
    KvRefObject* ref = source ? source->castToRefObject() : nullptr;
    return ref && ref == object_.get();
}

void KvTrackingPtr::handleReplaceAction(KvReplaceAction* action) {
    if (!tracksSourceOf(action)) return handleBadAction(action);
    KvObservedObject* r = action->getReplacement();
    setObject(r ? r->castToRefObject() : nullptr);
}

void KvTrackingPtr::handleSplitAction(KvSplitAction* action) {
    if (!tracksSourceOf(action)) return handleBadAction(action);
    setObject(nullptr);
}

void KvTrackingPtr::handleJoinAction(KvJoinAction* action) {
    KvMultiObject* multi = action->getMulti();
    if (!object_ || !multi || !multi->contains(object_.get())) return handleBadAction(action);
    KvObservedObject* single = action->getSingle();
    setObject(single ? single->castToRefObject() : nullptr);
}

void KvTrackingPtr::handleUpdateAction(KvUpdateAction* action) {
    if (!tracksSourceOf(action)) handleBadAction(action);
}

void KvTrackingPtr::handlePurgeAction(KvPurgeAction* action) {
    if (!tracksSourceOf(action)) return handleBadAction(action);
    setObject(nullptr);
}
