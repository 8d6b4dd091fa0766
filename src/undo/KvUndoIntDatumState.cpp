#include <KvUndoIntDatumState.h>

#include <KvUndoIntDatum.h>

KvUndoIntDatumState::KvUndoIntDatumState(int64_t value)
    : KvUndoState(KvUndoIntDatum::getClassTypeId()), value_(value) {}

KvUndoIntDatumState::~KvUndoIntDatumState() = default;

KvUndoObject* KvUndoIntDatumState::recreateObject() const { return new KvUndoIntDatum(value_); }

void KvUndoIntDatumState::restoreObject(KvUndoObject* obj) const {
    // Restores run over every object of a step: fetch the type once.
    static const KvTypeId& type = KvUndoIntDatum::getClassTypeId();
    if (!obj || !obj->isOfType(type)) return;
    auto* datum = static_cast<KvUndoIntDatum*>(obj);
    datum->value_ = value_;
    datum->valueChanged();
}

// Only states of one object are ever compared, so the class is not checked.
bool KvUndoIntDatumState::isSame(const KvUndoState* other) const {
    return other && static_cast<const KvUndoIntDatumState*>(other)->value_ == value_;
}
