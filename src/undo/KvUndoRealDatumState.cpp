#include <KvUndoRealDatumState.h>

#include <KvUndoRealDatum.h>

KvUndoRealDatumState::KvUndoRealDatumState(double value)
    : KvUndoState(KvUndoRealDatum::getClassTypeId()), value_(value) {}

KvUndoRealDatumState::~KvUndoRealDatumState() = default;

KvUndoObject* KvUndoRealDatumState::recreateObject() const { return new KvUndoRealDatum(value_); }

void KvUndoRealDatumState::restoreObject(KvUndoObject* obj) const {
    // Restores run over every object of a step: fetch the type once.
    static const KvTypeId& type = KvUndoRealDatum::getClassTypeId();
    if (!obj || !obj->isOfType(type)) return;
    auto* datum = static_cast<KvUndoRealDatum*>(obj);
    datum->value_ = value_;
    datum->valueChanged();
}

// Only states of one object are ever compared, so the class is not checked.
bool KvUndoRealDatumState::isSame(const KvUndoState* other) const {
    return other && static_cast<const KvUndoRealDatumState*>(other)->value_ == value_;
}
