#include <KvUndoObservedObjectDatumState.h>

#include <KvUndoObservedObjectDatum.h>

KvUndoObservedObjectDatumState::KvUndoObservedObjectDatumState(const KvUndoObservedObjectDatum& datum)
    : KvUndoState(datum.getTypeId()) {}

KvUndoObservedObjectDatumState::~KvUndoObservedObjectDatumState() = default;

void KvUndoObservedObjectDatumState::restoreObject(KvUndoObject* obj) const {
    KvUndoObservedObjectDatum* datum = KvUndoObservedObjectDatum::cast(obj);
    if (!datum) return;
    datum->exchange(getObservedObject());
    datum->valueChanged();
}

bool KvUndoObservedObjectDatumState::isSame(const KvUndoState* other) const {
    return other && static_cast<const KvUndoObservedObjectDatumState*>(other)->reference_ == reference_;
}
