#include <KvUndoObservedObjectDatum.h>

#include <KvCosmeticAction.h>
#include <KvJoinAction.h>
#include <KvPurgeAction.h>
#include <KvReplaceAction.h>
#include <KvSplitAction.h>
#include <KvUpdateAction.h>

KV_TYPE_SOURCE(KvUndoObservedObjectDatum, "UndoObservedObjectDatum", KvUndoDatum)

KvUndoObservedObjectDatum::KvUndoObservedObjectDatum() : object_(nullptr) {}

KvUndoObservedObjectDatum::KvUndoObservedObjectDatum(KvObservedObject* obj) : object_(obj) {
    if (object_) object_->addObserver(this);
}

KvUndoObservedObjectDatum::KvUndoObservedObjectDatum(const KvUndoObservedObjectDatum& o)
    : KvUndoDatum(o), object_(o.object_) {
    if (object_) object_->addObserver(this);
}

KvUndoObservedObjectDatum::~KvUndoObservedObjectDatum() { exchange(nullptr); }

KvUndoObservedObjectDatum& KvUndoObservedObjectDatum::operator=(const KvUndoObservedObjectDatum& o) {
    if (this == &o) return *this;
    exchange(o.object_);
    KvUndoDatum::operator=(o);
    valueChanged();
    return *this;
}

KvObservedObject* KvUndoObservedObjectDatum::exchange(KvObservedObject* obj) {
    KvObservedObject* old = object_;
    if (obj == old) return old;
    if (old) old->removeObserver(this);
    object_ = obj;
    if (obj) obj->addObserver(this);
    return old;
}

void KvUndoObservedObjectDatum::set(KvObservedObject* obj) {
    if (obj == object_) return;
    exchange(obj);
    valueChanged();
    updateObservers(KvActionObject());
}

bool KvUndoObservedObjectDatum::isAboutHeld(KvAction* action) {
    if (action && action->getSource() == object_ && object_) return true;
    handleBadAction(action);
    return false;
}

void KvUndoObservedObjectDatum::handleJoinAction(KvJoinAction* action) {
    if (isAboutHeld(action)) set(action->getSingle());
}

void KvUndoObservedObjectDatum::handleReplaceAction(KvReplaceAction* action) {
    if (isAboutHeld(action)) set(action->getReplacement());
}

void KvUndoObservedObjectDatum::handleSplitAction(KvSplitAction* action) {
    if (isAboutHeld(action)) set(static_cast<KvObservedObject*>(nullptr));
}

void KvUndoObservedObjectDatum::handlePurgeAction(KvPurgeAction* action) {
    // A purge from elsewhere is harmless: nothing to report.
    if (!action || !object_ || action->getSource() != object_) return;
    exchange(nullptr);
    valueChanged();
    updateObservers(KvActionObject());
}

void KvUndoObservedObjectDatum::handleUpdateAction(KvUpdateAction* action) { isAboutHeld(action); }

void KvUndoObservedObjectDatum::handleCosmeticAction(KvCosmeticAction* action) { isAboutHeld(action); }
