#include <KvUndoUIntDatumState.h>

#include <KvUndoUIntDatum.h>

KvUndoUIntDatumState::KvUndoUIntDatumState(uint64_t value)
    : KvUndoState(KvUndoUIntDatum::getClassTypeId()), value_(value) {}

KvUndoUIntDatumState::~KvUndoUIntDatumState() = default;

KvUndoObject* KvUndoUIntDatumState::recreateObject() const { return new KvUndoUIntDatum(value_); }

void KvUndoUIntDatumState::restoreObject(KvUndoObject* obj) const {
    // Restores run over every object of a step: fetch the type once.
    static const KvTypeId& type = KvUndoUIntDatum::getClassTypeId();
    if (!obj || !obj->isOfType(type)) return;
    auto* datum = static_cast<KvUndoUIntDatum*>(obj);
    datum->value_ = value_;
    datum->valueChanged();
}

// Only states of one object are ever compared, so the class is not checked.
bool KvUndoUIntDatumState::isSame(const KvUndoState* other) const {
    return other && static_cast<const KvUndoUIntDatumState*>(other)->value_ == value_;
}
