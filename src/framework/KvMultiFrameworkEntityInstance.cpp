#include <KvMultiFrameworkEntityInstance.h>

#include <KvFrameworkEntityInstance.h>
#include <KvMultiFrameworkEntityInstanceState.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvUndo.h>
#include <KvUndoBridge.h>
#include <KvUpdateAction.h>

KV_TYPE_SOURCE(KvMultiFrameworkEntityInstance, "MultiFrameworkEntityInstance", KvMultiObject)

KvMultiFrameworkEntityInstance::KvMultiFrameworkEntityInstance(const KvFrameworkPath& path, KvMultiObject* multi)
    : path_(path) {
    setMulti(multi);
}

KvMultiFrameworkEntityInstance::KvMultiFrameworkEntityInstance(const KvMultiFrameworkEntityInstance& other)
    : KvMultiObject(other), path_(other.path_) {
    setMulti(other.multi_.get());
}

KvMultiFrameworkEntityInstance::KvMultiFrameworkEntityInstance(KvAttributedObjectUndoBridge* bridge,
                                                               const KvMultiFrameworkEntityInstanceState& state)
    : KvMultiObject(bridge, state) {
    setMulti(KvMultiObject::cast(KvUndoBridge::dereference(state.multi_)));
    path_.restoreFromState(state.path_);
}

KvMultiFrameworkEntityInstance::~KvMultiFrameworkEntityInstance() { setMulti(nullptr); }

void KvMultiFrameworkEntityInstance::setMulti(KvMultiObject* multi) { multi_.set(this, multi); }

size_t KvMultiFrameworkEntityInstance::getNumObjects() const { return multi_ ? multi_->getNumObjects() : 0; }

KvObservedObject* KvMultiFrameworkEntityInstance::getObject(size_t index) const {
    KvObservedObject* obj = multi_ ? multi_->getObject(index) : nullptr;
    if (KvFrameworkEntity* entity = KvFrameworkEntity::cast(obj)) return KvFrameworkEntityInstance::get(path_, entity);
    return obj;
}

bool KvMultiFrameworkEntityInstance::contains(const KvObservedObject* obj) const {
    if (!multi_) return false;
    if (multi_->contains(obj)) return true;
    const KvFrameworkEntityInstance* instance = KvFrameworkEntityInstance::cast(obj);
    return instance && instance->getPath() == path_ && multi_->contains(instance->getEntity());
}

KvMultiObject* KvMultiFrameworkEntityInstance::createTemporaryCopy() const {
    auto* copy = new KvMultiFrameworkEntityInstance(*this);
    copy->multi_.unobserve(copy);
    return copy;
}

KvUndoState* KvMultiFrameworkEntityInstance::getUndoState() const {
    return new KvMultiFrameworkEntityInstanceState(*this);
}

bool KvMultiFrameworkEntityInstance::fromMulti(const KvAction* action) const {
    return multi_ && action->getSource() == multi_.get();
}

// Actions from its items and its bridge go the way of every attributed object.

void KvMultiFrameworkEntityInstance::handleReplaceAction(KvReplaceAction* action) {
    if (!fromMulti(action)) return KvMultiObject::handleReplaceAction(action);
    setMulti(KvMultiObject::cast(action->getReplacement()));
    updateObservers(KvActionObject());
}

void KvMultiFrameworkEntityInstance::handleUpdateAction(KvUpdateAction* action) {
    if (!fromMulti(action)) return KvMultiObject::handleUpdateAction(action);
    updateObservers(KvActionObject());
}

void KvMultiFrameworkEntityInstance::handlePurgeAction(KvPurgeAction* action) {
    if (!fromMulti(action)) return KvMultiObject::handlePurgeAction(action);
    setMulti(nullptr);
    if (!KvUndo::isRestoring()) updateObservers(KvActionObject());
}
