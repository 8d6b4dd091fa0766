#include <KvUndoBoolDatumState.h>

#include <KvUndoBoolDatum.h>

KvUndoBoolDatumState::KvUndoBoolDatumState(bool value)
    : KvUndoState(KvUndoBoolDatum::getClassTypeId()), value_(value) {}

KvUndoBoolDatumState::~KvUndoBoolDatumState() = default;

KvUndoObject* KvUndoBoolDatumState::recreateObject() const { return new KvUndoBoolDatum(value_); }

void KvUndoBoolDatumState::restoreObject(KvUndoObject* obj) const {
    // Restores run over every object of a step: fetch the type once.
    static const KvTypeId& type = KvUndoBoolDatum::getClassTypeId();
    if (!obj || !obj->isOfType(type)) return;
    auto* datum = static_cast<KvUndoBoolDatum*>(obj);
    datum->value_ = value_;
    datum->valueChanged();
}

// Only states of one object are ever compared, so the class is not checked.
bool KvUndoBoolDatumState::isSame(const KvUndoState* other) const {
    return other && static_cast<const KvUndoBoolDatumState*>(other)->value_ == value_;
}
