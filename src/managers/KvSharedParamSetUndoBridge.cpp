#include <KvSharedParamSetUndoBridge.h>

#include <KvSharedParamSet.h>
#include <KvSharedParamSetState.h>

KV_TYPE_SOURCE(KvSharedParamSetUndoBridge, "SharedParamSetUndoBridge", KvUndoBridge)

KvSharedParamSetUndoBridge::KvSharedParamSetUndoBridge(KvSharedParamSet* set) : set_(set) {}

KvSharedParamSetUndoBridge::KvSharedParamSetUndoBridge(const KvSharedParamSetState& state)
    : KvUndoBridge(static_cast<const KvUndoState&>(state)) {
    set_ = state.recreateBridgedObject(this);
}

KvSharedParamSetUndoBridge::~KvSharedParamSetUndoBridge() = default;

KvGenre* KvSharedParamSetUndoBridge::getObject() const { return set_; }

KvUndoState* KvSharedParamSetUndoBridge::getState() const { return set_ ? set_->getUndoState() : nullptr; }

void KvSharedParamSetUndoBridge::prepareToSaveState() const {
    if (set_) set_->prepareToSaveUndoState();
}

void KvSharedParamSetUndoBridge::resetCachedValues() {
    if (set_) set_->resetCachedValues();
}

bool KvSharedParamSetUndoBridge::prerestore() { return set_ ? set_->prerestore() : false; }

void KvSharedParamSetUndoBridge::postrestore(bool prerestoreResult) {
    if (set_) set_->postrestore(prerestoreResult);
}

void KvSharedParamSetUndoBridge::restoreState(const KvSharedParamSetState& state) {
    if (set_) state.restoreBridgedObject(set_);
}
