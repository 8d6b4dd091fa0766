#include <KvObject.h>

#include <KvAction.h>
#include <KvActionQueue.h>
#include <KvObservedObject.h>

KV_TYPE_SOURCE(KvObject, "Object", KvGenre)

KvObject::~KvObject() {
    if (observing_) KvStaleObservers::died(this, observing_);
    KvActionQueue::clearTarget(this);
}

void KvObject::handleAttributeAction(KvAttributeAction*) {}
void KvObject::handleCosmeticAction(KvCosmeticAction*) {}
void KvObject::handleInfoAction(KvInfoAction*) {}

void KvObject::handleBadAction(KvAction* action) {
    KvObservedObject* source = action ? action->getSource() : nullptr;
    if (source && source->isObserver(this)) source->removeObserver(this);
}
