#include <KvUndoRefObjectDatum.h>

#include <KvPurgeAction.h>
#include <KvRefObject.h>

KV_TYPE_SOURCE(KvUndoRefObjectDatum, "UndoRefObjectDatum", KvUndoObservedObjectDatum)

namespace {
KvRefObject* asRef(KvObservedObject* obj) { return obj ? obj->castToRefObject() : nullptr; }
}  // namespace

KvUndoRefObjectDatum::KvUndoRefObjectDatum() = default;

KvUndoRefObjectDatum::KvUndoRefObjectDatum(KvRefObject* obj) : KvUndoObservedObjectDatum(obj) {
    if (obj) obj->ref();
}

KvUndoRefObjectDatum::KvUndoRefObjectDatum(const KvUndoRefObjectDatum& o) : KvUndoObservedObjectDatum(o) {
    if (KvRefObject* r = asRef(get())) r->ref();
}

KvUndoRefObjectDatum::~KvUndoRefObjectDatum() {
    KvRefObject* old = asRef(exchange(nullptr));
    if (old) old->unref();
}

KvUndoRefObjectDatum& KvUndoRefObjectDatum::operator=(const KvUndoRefObjectDatum& o) {
    if (this == &o) return *this;
    KvRefObject* next = asRef(o.get());
    if (next) next->ref();
    KvRefObject* old = asRef(get());
    KvUndoObservedObjectDatum::operator=(o);
    if (old) old->unref();
    return *this;
}

void KvUndoRefObjectDatum::set(KvRefObject* obj) {
    if (obj) obj->ref();
    KvRefObject* old = asRef(get());
    try {
        KvUndoObservedObjectDatum::set(obj);
    } catch (...) {
        if (obj) obj->unref();
        throw;
    }
    if (old) old->unref();
}

void KvUndoRefObjectDatum::set(KvObservedObject* obj) {
    KvRefObject* next = asRef(obj);
    if (next) next->ref();
    KvRefObject* old = asRef(get());
    try {
        KvUndoObservedObjectDatum::set(obj);
    } catch (...) {
        if (next) next->unref();
        throw;
    }
    if (old) old->unref();
}

void KvUndoRefObjectDatum::handlePurgeAction(KvPurgeAction* action) {
    KvObservedObject* held = get();
    if (!action || !held || action->getSource() != held) return;
    KvRefObject* ref = asRef(held);
    KvUndoObservedObjectDatum::handlePurgeAction(action);
    if (ref) ref->unref();
}
