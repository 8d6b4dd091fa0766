#include <KvUndoRefObjectDatumState.h>

#include <KvRefObject.h>
#include <KvUndoRefObjectDatum.h>

KvUndoRefObjectDatumState::KvUndoRefObjectDatumState(const KvUndoRefObjectDatum& datum)
    : KvUndoObservedObjectDatumState(datum) {}

KvUndoRefObjectDatumState::~KvUndoRefObjectDatumState() = default;

void KvUndoRefObjectDatumState::restoreObject(KvUndoObject* obj) const {
    KvUndoRefObjectDatum* datum = KvUndoRefObjectDatum::cast(obj);
    if (!datum) return;
    KvObservedObject* next = getObservedObject();
    KvRefObject* nextRef = next ? next->castToRefObject() : nullptr;
    if (nextRef) nextRef->ref();
    KvObservedObject* old = datum->exchange(next);
    datum->valueChanged();
    if (KvRefObject* oldRef = old ? old->castToRefObject() : nullptr) oldRef->unref();
}
