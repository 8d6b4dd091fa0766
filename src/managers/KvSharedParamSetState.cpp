#include <KvSharedParamSetState.h>

#include <KvRefObjectManager.h>
#include <KvSharedParamSet.h>
#include <KvSharedParamSetUndoBridge.h>

KvSharedParamSetState::KvSharedParamSetState(const KvSharedParamSet& set)
    : KvUndoState(set.getTypeId()), class_(set.getClass()), params_(set.getParams()) {}

KvSharedParamSetState::~KvSharedParamSetState() = default;

KvUndoObject* KvSharedParamSetState::recreateObject() const { return new KvSharedParamSetUndoBridge(*this); }

void KvSharedParamSetState::restoreObject(KvUndoObject* obj) const {
    if (KvSharedParamSetUndoBridge* bridge = KvSharedParamSetUndoBridge::cast(obj)) bridge->restoreState(*this);
}

bool KvSharedParamSetState::isSame(const KvUndoState* other) const {
    const auto* o = dynamic_cast<const KvSharedParamSetState*>(other);
    return o && o->class_ == class_ && o->params_.isIdentical(params_) &&
           o->params_.getModifiedFlags() == params_.getModifiedFlags();
}

KvSharedParamSet* KvSharedParamSetState::recreateBridgedObject(KvSharedParamSetUndoBridge* bridge) const {
    return new KvSharedParamSet(bridge, *this);
}

void KvSharedParamSetState::restoreBridgedObject(KvSharedParamSet* set) const {
    if (!set) return;
    set->class_ = class_;
    set->params_ = params_;
    KvRefObjectManager::objectRenamed(set);
}
