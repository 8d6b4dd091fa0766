#include <KvUndoRefObjectDatumState.h>

#include <KvUndoRefObjectDatum.h>

KvUndoRefObjectDatumState::KvUndoRefObjectDatumState(const KvUndoRefObjectDatum& datum)
    : KvUndoObservedObjectDatumState(datum) {}

KvUndoRefObjectDatumState::~KvUndoRefObjectDatumState() = default;

void KvUndoRefObjectDatumState::restoreObject(KvUndoObject* obj) const {
    KvUndoRefObjectDatum* datum = KvUndoRefObjectDatum::cast(obj);
    if (!datum) return;
    KvObservedObject* next = getObservedObject();
    KvRefPtr<KvRefObject> old = datum->hold(next);
    datum->exchange(next);
    datum->valueChanged();
}
