#include <KvAttributedObjectUndoBridge.h>

#include <KvAttributedObject.h>
#include <KvAttributedObjectState.h>

KV_TYPE_SOURCE(KvAttributedObjectUndoBridge, "AttributedObjectUndoBridge", KvUndoBridge)

KvAttributedObjectUndoBridge::KvAttributedObjectUndoBridge() : KvUndoBridge() {}

KvAttributedObjectUndoBridge::KvAttributedObjectUndoBridge(KvAttributedObject* obj) : object_(obj) {}

KvAttributedObjectUndoBridge::KvAttributedObjectUndoBridge(const KvAttributedObjectState& state)
    : KvUndoBridge(static_cast<const KvUndoState&>(state)) {
    object_ = state.recreateBridgedObject(this);
}

KvAttributedObjectUndoBridge::~KvAttributedObjectUndoBridge() = default;

KvGenre* KvAttributedObjectUndoBridge::getObject() const { return object_; }

KvUndoState* KvAttributedObjectUndoBridge::getState() const { return object_ ? object_->getUndoState() : nullptr; }

void KvAttributedObjectUndoBridge::prepareToSaveState() const {
    if (object_) object_->prepareToSaveUndoState();
}

void KvAttributedObjectUndoBridge::resetCachedValues() {
    if (object_) object_->resetCachedValues();
}

bool KvAttributedObjectUndoBridge::prerestore() { return object_ ? object_->prerestore() : false; }

void KvAttributedObjectUndoBridge::postrestore(bool prerestoreResult) {
    if (object_) object_->postrestore(prerestoreResult);
}

void KvAttributedObjectUndoBridge::restoreState(const KvAttributedObjectState& state) {
    if (object_) state.restoreBridgedObject(object_);
}
