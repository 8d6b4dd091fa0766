#include <KvUndoRefObjectDatum.h>

#include <KvPurgeAction.h>

#include <utility>

KV_TYPE_SOURCE(KvUndoRefObjectDatum, "UndoRefObjectDatum", KvUndoObservedObjectDatum)

KvUndoRefObjectDatum::KvUndoRefObjectDatum() = default;

KvUndoRefObjectDatum::KvUndoRefObjectDatum(KvRefObject* obj) : KvUndoObservedObjectDatum(obj), held_(obj) {}

KvUndoRefObjectDatum::KvUndoRefObjectDatum(const KvUndoRefObjectDatum& o)
    : KvUndoObservedObjectDatum(o), held_(o.held_) {}

KvUndoRefObjectDatum::~KvUndoRefObjectDatum() {
    exchange(nullptr);
    held_ = nullptr;
}

KvRefPtr<KvRefObject> KvUndoRefObjectDatum::hold(KvObservedObject* obj) {
    KvRefPtr<KvRefObject> old(obj ? obj->castToRefObject() : nullptr);
    held_.swap(old);
    return old;
}

KvUndoRefObjectDatum& KvUndoRefObjectDatum::operator=(const KvUndoRefObjectDatum& o) {
    if (this == &o) return *this;
    KvRefPtr<KvRefObject> old = hold(o.get());
    KvUndoObservedObjectDatum::operator=(o);
    return *this;
}

void KvUndoRefObjectDatum::set(KvRefObject* obj) { set(static_cast<KvObservedObject*>(obj)); }

void KvUndoRefObjectDatum::set(KvObservedObject* obj) {
    KvRefPtr<KvRefObject> old = hold(obj);
    KvUndoObservedObjectDatum::set(obj);
}

void KvUndoRefObjectDatum::handlePurgeAction(KvPurgeAction* action) {
    KvObservedObject* held = get();
    if (!action || !held || action->getSource() != held) return;
    KvUndoObservedObjectDatum::handlePurgeAction(action);
    held_ = nullptr;
}
